#pragma once

#include <QString>

// Makes a new, empty ledger at `path`: the table and the reserved entry, readable by its owner only.
// The file appears whole or not at all, and an existing file is never overwritten (LedgerError).
void CreateNewLedger(const QString& path);
