#pragma once

#include <QString>

// The texts of the program's start: its folder, its reading process, the guard of one program per ledger.

// The executable's folder has a name the system cannot write.
QString UnreadableFolderMessage();
// Someone other than the program started its reading process (a line for standard error).
QString ReadingModeRefusal();
// Another program holds the ledger at `ledgerPath` and does not answer.
QString AlreadyOpenMessage(const QString& ledgerPath);
// Lines for standard error when the ledger cannot be guarded against a second start: the guard's folder could
// not be made (the system's error number), is not the user's, or could not be closed to others.
QString GuardFolderNotMade(const QString& folder, int error);
QString GuardFolderNotOwned(const QString& folder);
QString GuardFolderNotPrivate(const QString& folder, int error);
// The lock file at `path` could not be made.
QString LockNotMade(const QString& path);
// The socket at `path` does not listen, for the reason Qt gives in its own words.
QString NotListening(const QString& path, const QString& ownWords);
// The ledger's folder in the user's data folder: no name for it (neither XDG_DATA_HOME nor HOME is an absolute
// path the system can write), it cannot be made or closed to others (the system's error number), or it is not
// the user's own.
QString DataFolderUnnamed();
QString DataFolderNotMade(const QString& folder, int error);
QString DataFolderNotYours(const QString& folder);
QString DataFolderNotPrivate(const QString& folder, int error);
// A first start in the user's data folder has made a new, empty ledger at `path`.
QString NewLedgerInDataFolder(const QString& path);
// quentaril-newledger has made a new ledger at `path`.
QString NewLedgerMade(const QString& path);
