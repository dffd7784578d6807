#pragma once

#include "ledger/LedgerDraft.h"

#include <QList>
#include <QString>
#include <QStringList>

// The name a row without one takes, so that it can be seen and deleted.
inline const QString UnnamedPersonName = QStringLiteral("Sans nom");

struct RenamedPerson {
    QString from; // the name in the old ledger, empty for a row without one
    QString to;
};

struct ConvertedPersons {
    QList<LedgerPerson> persons; // in the old ledger's order
    QList<RenamedPerson> renamed;
};

// Turns the rows of an old ledger (name, notes) into persons of a ledger whose names are unique, losing none.
// Of the rows sharing a name, the last keeps it (its notes were the ones the name showed) and the others take
// the first free suffix " (2)", " (3)" ...; a row without a name becomes "Sans nom", suffixed when needed.
// A suffix is free when no row of the old ledger has that name and no row took it before. Null notes become
// empty ones.
ConvertedPersons ConvertPersons(const QList<QStringList>& rows);
