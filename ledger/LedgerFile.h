#pragma once

#include <QString>

// The ledger's fixed name, place and password, and a look at a file's first bytes.

inline const QString LedgerFileName = QStringLiteral("BDPLORN.mdb");
// The password of the connect string ";pwd=KQZTRWX".
inline const QString LedgerPassword = QStringLiteral("KQZTRWX");
// The entry every new ledger holds and the program never deletes.
inline const QString ReservedPersonName = QStringLiteral("Varnokel");

// The ledger's path in `folder`: the folder, the platform's separator, then the file name.
QString LedgerPathIn(const QString& folder);

enum class LedgerFileKind {
    Missing,     // no such file, or it cannot be read
    NotRegular,  // a folder, a named pipe, a socket or a device: never a ledger
    Empty,       // zero bytes
    PlainSqlite, // an unencrypted SQLite database
    Jet,         // a Jet (Access) database
    Other        // anything else, an encrypted ledger included
};

// What the file's first bytes say it is.
LedgerFileKind SniffLedgerFile(const QString& path);
