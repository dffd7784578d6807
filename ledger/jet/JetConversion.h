#pragma once

#include "ledger/jet/ConvertedPersons.h"

#include <QList>
#include <QString>

struct JetConversionResult {
    qsizetype personCount = 0;
    // Where the old ledger now is, under a name of its own.
    QString keptOriginalPath;
    QList<RenamedPerson> renamed;
};

// Converts the ledger BDPLORN.mdb in `folder`, a Jet 3 or Jet 4 file, into a ledger of this program, once: the
// rows of tblPlorn are written into a new ledger beside it, the old file is kept under a name that says what it
// is (BDPLORN.jet.mdb, or BDPLORN.jet-2.mdb ... when taken), then the new ledger takes its place. At no moment
// is BDPLORN.mdb missing. A file with another database password than the ledger's is refused.
// On any failure the folder is left as it was, and LedgerError says why in French.
JetConversionResult ConvertJetLedger(const QString& folder);
