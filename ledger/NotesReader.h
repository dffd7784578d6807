#pragma once

#include "ledger/Connection.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

struct sqlite3_stmt;

// Every person's notes read in rowid order on a read-only connection of its own, a short read transaction per
// batch: a save by the window waits for at most one batch, never for the whole reading.
class NotesReader {
public:
    // Opens the ledger file at `path` with the ledger's key; throws LedgerError.
    explicit NotesReader(const QString& path);
    ~NotesReader();
    NotesReader(const NotesReader&) = delete;
    NotesReader& operator=(const NotesReader&) = delete;

    // A row's name and notes as stored, valid during the call.
    using Take = std::function<void(QByteArrayView name, QByteArrayView notes)>;
    // Hands over the rows after those already read until about `maxBytes` of notes or `maxMilliseconds` have gone,
    // in one read transaction; false once every row has been read. Throws LedgerError.
    bool readBatch(const Take& take, qsizetype maxBytes, int maxMilliseconds);

private:
    Connection db_;
    sqlite3_stmt* rows_ = nullptr;
    qint64 lastRowid_ = 0;
    QString path_;
};
