#pragma once

#include "ledger/Ledger.h"
#include "ledger/SqliteHandles.h"

// The ledger's own connection, for tests and measurements that work on it beside the ledger's statements:
// batches in one transaction, locks held on purpose.
struct LedgerTestAccess {
    static sqlite3* connection(Ledger& ledger) { return ledger.db_.get(); }
};

// The texts of the names a ledger lists, for comparisons.
inline QStringList NamesOf(const QList<PersonName>& names)
{
    QStringList texts;
    for (const PersonName& name : names)
        texts.append(name.text());
    return texts;
}
