#include "ledger/SqliteHandles.h"

#include "ledger/LedgerError.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The file the connection works on, as the engine named it when it opened it.
QString FileOf(sqlite3* db)
{
    const char* name = db ? sqlite3_db_filename(db, "main") : nullptr;
    return name ? QFile::decodeName(name) : QString();
}

// The one way a connection is opened: the file at `path` must exist; `flags` say how it is opened.
Connection OpenKeyed(const QString& path, const QString& password, int busyTimeoutMs, int flags)
{
    sqlite3* raw = nullptr;
    // A connection is only ever used by one thread at a time: the engine's locking of every call would be paid
    // for each of a million names read.
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(raw);
    if (opened != SQLITE_OK && !QFileInfo::exists(path))
        throw LedgerError(LedgerFailure::Missing, path, QString::fromUtf8(sqlite3_errmsg(db.get())), opened);
    CheckEngine(db.get(), opened, path);
    const QByteArray key = password.toUtf8();
    CheckEngine(db.get(), sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size())), path);
    CheckEngine(db.get(), sqlite3_busy_timeout(db.get(), busyTimeoutMs), path);
    return db;
}

} // namespace

void ConnectionCloser::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

Connection OpenKeyedConnection(const QString& path, const QString& password, int busyTimeoutMs)
{
    Connection db = OpenKeyed(path, password, busyTimeoutMs, SQLITE_OPEN_READWRITE);
    // A commit is the journal's deletion (see OpenLedgerFile); EXTRA also syncs the folder after it, without
    // which a power cut could bring the journal back and roll a reported save back. Said at every open.
    Execute(db.get(), "PRAGMA synchronous = EXTRA");
    return db;
}

Connection OpenKeyedReadOnlyConnection(const QString& path, const QString& password, int busyTimeoutMs)
{
    return OpenKeyed(path, password, busyTimeoutMs, SQLITE_OPEN_READONLY);
}

void CheckEngine(sqlite3* db, int resultCode, const QString& path)
{
    if (resultCode == SQLITE_OK || resultCode == SQLITE_ROW || resultCode == SQLITE_DONE)
        return;
    ThrowEngineFailure(db, resultCode, path);
}

void ThrowEngineFailure(sqlite3* db, int resultCode, const QString& path)
{
    // Read now: finalising or rolling back the statement that failed would replace them.
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
    int extendedCode = db ? sqlite3_extended_errcode(db) : resultCode;
    // The connection's last code belongs to another call when it does not extend this one.
    if ((extendedCode & 0xff) != (resultCode & 0xff))
        extendedCode = resultCode;
    const QString file = path.isEmpty() ? FileOf(db) : path;
    throw LedgerError(LedgerError::KindOf(extendedCode), file, QString::fromUtf8(message), extendedCode);
}

void Execute(sqlite3* db, const char* sql)
{
    CheckEngine(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

void ReadSchema(sqlite3* db)
{
    Statement count(db, "SELECT count(*) FROM sqlite_master");
    count.step();
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db)
{
    CheckEngine(db_, sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr));
}

Statement::~Statement()
{
    sqlite3_finalize(statement_);
}

Statement& Statement::bind(const QString& value)
{
    return bind(value.toUtf8());
}

Statement& Statement::bind(const QByteArray& stored)
{
    const QByteArray& utf8 = boundValues_.emplace_back(stored);
    // A null QString gives a null pointer; an empty text must stay an empty text, not NULL.
    const char* bytes = utf8.isNull() ? "" : utf8.constData();
    CheckEngine(db_, sqlite3_bind_text64(statement_, nextParameter_++, bytes, static_cast<sqlite3_uint64>(utf8.size()),
                                         SQLITE_STATIC, SQLITE_UTF8));
    return *this;
}

bool Statement::step()
{
    const int result = sqlite3_step(statement_);
    CheckEngine(db_, result);
    return result == SQLITE_ROW;
}

void Statement::run()
{
    while (step()) {
    }
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

QString Statement::text(int column) const
{
    const auto* stored = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return DecodeStoredText(stored, sqlite3_column_bytes(statement_, column));
}

QByteArrayView Statement::bytesView(int column) const
{
    const auto* stored = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QByteArrayView(stored, sqlite3_column_bytes(statement_, column));
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}
