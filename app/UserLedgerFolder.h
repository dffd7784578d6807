#pragma once

#include <QString>

// The ledger's folder in the user's data folder (see LedgerPlace.h), made and checked before anything in it is
// opened or guarded.

// Makes `folder` when missing, with its missing parents, each readable by the user alone (as the XDG base
// directory rules ask). Then it must be a folder of the user's own: a symbolic link is followed only when the
// user made it and it leads to a folder of the user's (someone else's link could lead the ledger anywhere), and a
// folder of someone else's is refused (its owner could read or replace the ledger). A folder of the user's that is
// open to others is closed again. Returns the French refusal, or an empty text when the folder is ready.
QString PrepareUserLedgerFolder(const QString& folder);

// A first start finds no ledger in the user's folder: a new one with the welcome note, and the user told once.
// Only while the ledger is held, so that two first starts never both make one. Throws LedgerError.
void MakeMissingLedger(const QString& folder);
