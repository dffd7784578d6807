#include "ledger/Ledger.h"

#include "ledger/LedgerError.h"
#include "ledger/LedgerStatements.h"
#include "ledger/SqliteHandles.h"

#include <QDeadlineTimer>
#include <QThread>
#include <optional>

namespace {

void RefuseUnsuitableFile(const QString& path)
{
    switch (SniffLedgerFile(path)) {
    case LedgerFileKind::Empty:
        throw LedgerError(LedgerFailure::EmptyFile, path);
    case LedgerFileKind::PlainSqlite:
        throw LedgerError(LedgerFailure::Unencrypted, path);
    case LedgerFileKind::NotRegular:
        throw LedgerError(LedgerFailure::NotARegularFile, path);
    case LedgerFileKind::Jet:
        throw LedgerError(LedgerFailure::AccessFormat, path);
    case LedgerFileKind::Missing: // the engine says why it cannot open it
    case LedgerFileKind::Other:
        break;
    }
}

void RequireLedgerTable(sqlite3* db, const QString& path)
{
    Statement columns(db, "PRAGMA table_info(tblPlorn)");
    bool hasName = false;
    bool hasNotes = false;
    while (columns.step()) {
        const QString column = columns.text(1);
        hasName = hasName || column.compare(QStringLiteral("NomPers"), Qt::CaseInsensitive) == 0;
        hasNotes = hasNotes || column.compare(QStringLiteral("LesPlorns"), Qt::CaseInsensitive) == 0;
    }
    if (!hasName || !hasNotes)
        throw LedgerError(LedgerFailure::NoLedgerTable, path);
}

// The engine opens a write-protected file read-only without a word, and a read-only folder fails only
// when the journal is made: both would surface at the first save, after the user has typed.
void RequireWritable(sqlite3* db, const QString& path)
{
    if (sqlite3_db_readonly(db, "main") == 1)
        throw LedgerError(LedgerFailure::ReadOnly, path, QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)),
                          SQLITE_READONLY);

    Execute(db, "BEGIN IMMEDIATE");
    // Rewriting the schema cookie's neighbour with its own value dirties the first page, which makes
    // the engine create its journal beside the file; the rollback leaves the file as it was.
    std::optional<LedgerError> failure;
    {
        Statement version(db, "PRAGMA user_version");
        version.step();
        const QByteArray rewrite = "PRAGMA user_version = " + QByteArray::number(version.integer(0));
        try {
            Execute(db, rewrite.constData());
        } catch (const LedgerError& error) {
            failure = error;
        }
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!failure)
        return;
    // A journal that cannot be made beside the file means a folder that cannot be written.
    if (failure->kind() == LedgerFailure::CannotOpen)
        throw LedgerError(LedgerFailure::ReadOnly, path, failure->message(), failure->extendedCode());
    throw LedgerError(failure->kind(), path, failure->message(), failure->extendedCode());
}

// Between two tries of a rollback that another connection's lock holds up.
constexpr int RollbackRetryPauseMs = 50;

} // namespace

Ledger::Ledger(Connection db, const QString& path, const QString& password, int busyTimeoutMs)
    : db_(std::move(db)), path_(path), password_(password), busyTimeoutMs_(busyTimeoutMs)
{
}

sqlite3* Ledger::connection()
{
    if (closed_)
        throw LedgerError(LedgerFailure::Other, path_, QString::fromUtf8(sqlite3_errstr(SQLITE_MISUSE)), SQLITE_MISUSE);
    if (!db_)
        *this = OpenLedgerFile(path_, password_, busyTimeoutMs_);
    return db_.get();
}

template <typename Change> auto Ledger::InTransaction(Change change)
{
    sqlite3* db = connection();
    Execute(db, "BEGIN IMMEDIATE");
    try {
        auto result = change(db);
        Execute(db, "COMMIT");
        return result;
    } catch (...) {
        EndFailedTransaction();
        throw;
    }
}

void Ledger::EndFailedTransaction() noexcept
{
    sqlite3* db = db_.get();
    // A plain rollback: RELEASE would be a commit, which the lock that made the change fail refuses too.
    QDeadlineTimer deadline(busyTimeoutMs_);
    while (sqlite3_get_autocommit(db) == 0) {
        if (sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK || deadline.hasExpired())
            break;
        QThread::msleep(RollbackRetryPauseMs);
    }
    // Closing rolls the transaction back and lets every lock go; the ledger is opened again at the next use.
    if (sqlite3_get_autocommit(db) == 0)
        db_.reset();
}

QList<PersonName> Ledger::ListPersons()
{
    QList<PersonName> names;
    ListPersons([&names](QByteArrayView stored) { names.append(PersonName::fromStored(stored.toByteArray())); });
    return names;
}

void Ledger::ListPersons(const std::function<void(QByteArrayView)>& take)
{
    Statement list(connection(), ListPersonsSql);
    while (list.step()) {
        if (!list.isNull(0))
            take(list.bytesView(0));
    }
}

std::optional<QString> Ledger::ReadNotes(const PersonName& name)
{
    std::optional<QString> notes;
    Statement read(connection(), ReadNotesSql);
    read.bind(name.stored());
    while (read.step()) {
        if (!read.isNull(0))
            notes = read.isNull(1) ? QString() : read.text(1);
    }
    return notes;
}

Ledger::SaveOutcome Ledger::SaveNotes(const PersonName& name, const QString& notes)
{
    return InTransaction([&](sqlite3* db) {
        Statement(db, SaveNotesSql).bind(notes).bind(name.stored()).run();
        if (sqlite3_changes(db) > 0)
            return SaveOutcome::Saved;
        Statement(db, AddPersonSql).bind(name.stored()).bind(notes).run();
        return SaveOutcome::AddedBack;
    });
}

void Ledger::AddPerson(const PersonName& name, const QString& notes)
{
    InTransaction([&](sqlite3* db) {
        Statement(db, AddPersonSql).bind(name.stored()).bind(notes).run();
        return true;
    });
}

void Ledger::DeletePerson(const PersonName& name)
{
    InTransaction([&](sqlite3* db) {
        Statement(db, DeletePersonSql).bind(name.stored()).run();
        return true;
    });
}

std::optional<QString> Ledger::Recall(const QString& key)
{
    sqlite3* db = connection();
    // A ledger that never remembered anything has no such table; reading it would be an error.
    if (!Statement(db, MemoryTableExistsSql).step())
        return std::nullopt;
    Statement read(db, RecallSql);
    read.bind(key);
    if (!read.step() || read.isNull(0))
        return std::nullopt;
    return read.text(0);
}

void Ledger::Remember(const QString& key, const QString& value)
{
    InTransaction([&](sqlite3* db) {
        Execute(db, CreateMemoryTableSql);
        Statement(db, RememberSql).bind(key).bind(value).run();
        return true;
    });
}

void Ledger::Close()
{
    closed_ = true;
    if (!db_)
        return;
    CheckEngine(db_.get(), sqlite3_close(db_.get()));
    db_.release();
}

Ledger OpenLedger(const QString& folder)
{
    return OpenLedgerFile(LedgerPathIn(folder));
}

Ledger OpenLedgerFile(const QString& path, const QString& password, int busyTimeoutMs)
{
    // An empty key would make the engine read and write the file unencrypted.
    if (password.isEmpty())
        throw LedgerError(LedgerFailure::EmptyPassword, QString());
    RefuseUnsuitableFile(path);

    try {
        Connection db = OpenKeyedConnection(path, password, busyTimeoutMs);
        ReadSchema(db.get());
        // The journal is deleted at each commit, never kept beside the file, and a ledger another tool left in
        // WAL mode is brought back to it: a copy of the file alone is then the whole ledger.
        Execute(db.get(), "PRAGMA journal_mode = DELETE");
        // Sorting and other temporary work stays in memory: an unencrypted temporary file never exists.
        Execute(db.get(), "PRAGMA temp_store = MEMORY");
        RequireLedgerTable(db.get(), path);
        RequireWritable(db.get(), path);
        return Ledger(std::move(db), path, password, busyTimeoutMs);
    } catch (const LedgerError& error) {
        // The user knows the file by the name it was opened with, not by where a link leads.
        throw LedgerError::During(LedgerStep::Using, path, error);
    }
}

void CloseLedger(Ledger& ledger)
{
    ledger.Close();
}
