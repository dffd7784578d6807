#pragma once

#include "ledger/Connection.h"
#include "ledger/PersonName.h"

#include <QByteArray>
#include <QString>
#include <sqlite3.h>
#include <vector>

// The engine's handles, owned, and the one way a connection is opened. Every engine failure becomes a
// LedgerError carrying its kind, the file, and the engine's message and extended code.

// Opens the existing file at `path` read-write (never creating it), gives the engine the key and makes every
// commit durable; the engine reads the file for that, which derives the key and checks it.
Connection OpenKeyedConnection(const QString& path, const QString& password, int busyTimeoutMs = DefaultBusyTimeoutMs);
// Opens the existing file at `path` read-only and gives the engine the key: for reading a copy that nothing may
// change. The key is derived and checked at the first read.
Connection OpenKeyedReadOnlyConnection(const QString& path, const QString& password,
                                       int busyTimeoutMs = DefaultBusyTimeoutMs);

// Throws LedgerError with the connection's last message when `resultCode` is not a success. The file is
// `path`, or the one the connection has open when `path` is empty.
void CheckEngine(sqlite3* db, int resultCode, const QString& path = {});
// Throws LedgerError for the failure `resultCode`, with the connection's message and extended code; call it
// before anything else runs on the connection.
[[noreturn]] void ThrowEngineFailure(sqlite3* db, int resultCode, const QString& path = {});

// Runs statements that take no values and return no rows.
void Execute(sqlite3* db, const char* sql);
// Reads the schema: the engine finds out whether the key is right only when it first reads the file.
void ReadSchema(sqlite3* db);

// One prepared statement, finalized when it goes out of scope so that no read lock outlives an operation.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the next parameter (1, 2, ...) as UTF-8 text; the bytes live as long as the statement.
    Statement& bind(const QString& value);
    // Binds the next parameter as text made of exactly these bytes.
    Statement& bind(const QByteArray& stored);

    // Steps once: true while a row is there, false when done.
    bool step();
    // Steps until done, for statements that return no rows.
    void run();

    bool isNull(int column) const;
    // The column's text; a null QString for a NULL value.
    QString text(int column) const;
    // The same bytes where the engine holds them, until the next step.
    QByteArrayView bytesView(int column) const;
    qint64 integer(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    int nextParameter_ = 1;
    std::vector<QByteArray> boundValues_;
};
