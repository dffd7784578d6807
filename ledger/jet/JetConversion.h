#pragma once

#include "ledger/jet/ConvertedPersons.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct JetConversionResult {
    qsizetype personCount = 0;
    // Where the old ledger now is, under a name of its own.
    QString keptOriginalPath;
    QList<RenamedPerson> renamed;
};

// A reading under way: its rows once it has ended, asked for once. Throws JetReadError.
using JetRowsWhenRead = std::function<QList<QStringList>()>;
// Starts reading every row of a table of a Jet file, values of the columns named, as ReadJetTextColumns does; the
// conversion prepares the new ledger meanwhile. The program reads in a process of its own
// (JetReadingProcessReader, app/), so that a fault of libmdb on a damaged file cannot take it down.
using JetRowReader =
    std::function<JetRowsWhenRead(const QString& path, const QString& table, const QStringList& columns)>;

// ReadJetTextColumns, in this process: for the tests of the conversion itself.
JetRowReader JetReadingInThisProcess();

// Converts the ledger BDPLORN.mdb in `folder`, a Jet 3 or Jet 4 file, into a ledger of this program, once: the
// rows of tblPlorn, read with `read`, are written into a new ledger beside it, the old file is kept under a
// name that says what it is (BDPLORN.jet.mdb, or BDPLORN.jet-2.mdb ... when taken), readable by its owner only,
// then the new ledger takes its place. At no moment is BDPLORN.mdb missing. A conversion stopped between the
// keeping and the replacing leaves a kept name that is BDPLORN.mdb itself: the next one keeps the file under that
// name again rather than under a second one. A file with another database password than the ledger's is refused.
// On any failure the folder is left as it was, and JetConversionError says why.
JetConversionResult ConvertJetLedger(const QString& folder, const JetRowReader& read);
