#include "ledger/NotesReader.h"

#include "ledger/LedgerFile.h"
#include "ledger/SqliteHandles.h"

#include <QElapsedTimer>

namespace {

// Rows handed over at most per batch, however small their notes.
constexpr int MaxRowsPerBatch = 4096;

} // namespace

NotesReader::NotesReader(const QString& path) : db_(OpenKeyedReadOnlyConnection(path, LedgerPassword)), path_(path)
{
    const int prepared = sqlite3_prepare_v2(
        db_.get(), "SELECT rowid, NomPers, LesPlorns FROM tblPlorn WHERE rowid > ? ORDER BY rowid LIMIT ?", -1, &rows_,
        nullptr);
    CheckEngine(db_.get(), prepared, path_);
}

NotesReader::~NotesReader()
{
    sqlite3_finalize(rows_);
}

bool NotesReader::readBatch(const Take& take, qsizetype maxBytes, int maxMilliseconds)
{
    // Reset whatever happens, which ends the read transaction: a lock kept would hold every save up.
    struct Reset {
        sqlite3_stmt* statement;
        ~Reset() { sqlite3_reset(statement); }
    } reset{rows_};
    sqlite3_bind_int64(rows_, 1, lastRowid_);
    sqlite3_bind_int(rows_, 2, MaxRowsPerBatch);
    QElapsedTimer elapsed;
    elapsed.start();
    qsizetype bytes = 0;
    int rows = 0;
    for (;;) {
        const int stepped = sqlite3_step(rows_);
        if (stepped == SQLITE_DONE)
            return rows == MaxRowsPerBatch;
        if (stepped != SQLITE_ROW)
            ThrowEngineFailure(db_.get(), stepped, path_);
        ++rows;
        lastRowid_ = sqlite3_column_int64(rows_, 0);
        // A row without a name is no person, as the list leaves it out.
        if (sqlite3_column_type(rows_, 1) == SQLITE_NULL)
            continue;
        const auto* name = static_cast<const char*>(sqlite3_column_blob(rows_, 1));
        const qsizetype nameSize = sqlite3_column_bytes(rows_, 1);
        const auto* notes = static_cast<const char*>(sqlite3_column_blob(rows_, 2));
        const qsizetype notesSize = sqlite3_column_bytes(rows_, 2);
        take(QByteArrayView(name, nameSize), QByteArrayView(notes, notesSize));
        bytes += notesSize + nameSize;
        // The clock is read every few rows: a million rows would otherwise pay for a million readings.
        if (bytes >= maxBytes || (rows % 32 == 0 && elapsed.elapsed() >= maxMilliseconds))
            return true;
    }
}
