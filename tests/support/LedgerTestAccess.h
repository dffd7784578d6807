#pragma once

#include "ledger/Ledger.h"
#include "ledger/SqliteHandles.h"

// The ledger's own connection, for tests and measurements that work on it beside the ledger's statements:
// batches in one transaction, locks held on purpose.
struct LedgerTestAccess {
    static sqlite3* connection(Ledger& ledger) { return ledger.db_.get(); }
};
