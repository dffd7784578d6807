#include "bench/BareStatements.h"

#include "bench/LedgerWorkspace.h"
#include "ledger/LedgerStatements.h"

namespace {

// Ends a bare statement, reporting the failure of whichever call failed first.
void FinishBare(sqlite3* db, sqlite3_stmt* statement, int lastStep)
{
    const int finalized = sqlite3_finalize(statement);
    RequireBare(db, lastStep == SQLITE_DONE ? finalized : lastStep);
}

} // namespace

QStringList BareListPersons(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    RequireBare(db, sqlite3_prepare_v2(db, ListPersonsSql, -1, &statement, nullptr));
    QStringList names;
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        names.append(QString::fromUtf8(bytes, sqlite3_column_bytes(statement, 0)));
    }
    FinishBare(db, statement, stepped);
    return names;
}

QString BareReadNotes(sqlite3* db, const QString& name)
{
    const QByteArray utf8Name = name.toUtf8();
    sqlite3_stmt* statement = nullptr;
    RequireBare(db, sqlite3_prepare_v2(db, ReadNotesSql, -1, &statement, nullptr));
    RequireBare(db, sqlite3_bind_text(statement, 1, utf8Name.constData(), int(utf8Name.size()), SQLITE_STATIC));
    QString notes;
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        notes = QString::fromUtf8(bytes, sqlite3_column_bytes(statement, 1));
    }
    FinishBare(db, statement, stepped);
    return notes;
}

void BareSaveNotes(sqlite3* db, const QString& name, const QString& notes)
{
    const QByteArray utf8Notes = notes.toUtf8();
    const QByteArray utf8Name = name.toUtf8();
    sqlite3_stmt* statement = nullptr;
    RequireBare(db, sqlite3_prepare_v2(db, SaveNotesSql, -1, &statement, nullptr));
    RequireBare(db, sqlite3_bind_text(statement, 1, utf8Notes.constData(), int(utf8Notes.size()), SQLITE_STATIC));
    RequireBare(db, sqlite3_bind_text(statement, 2, utf8Name.constData(), int(utf8Name.size()), SQLITE_STATIC));
    FinishBare(db, statement, sqlite3_step(statement));
}

Connection BareOpenAndReadSchema(const QString& path)
{
    Connection db = OpenKeyedConnection(path, LedgerPassword);
    sqlite3_stmt* statement = nullptr;
    RequireBare(db.get(), sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr));
    const int stepped = sqlite3_step(statement);
    FinishBare(db.get(), statement, stepped == SQLITE_ROW ? SQLITE_DONE : stepped);
    return db;
}
