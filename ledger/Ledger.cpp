#include "ledger/Ledger.h"

#include "ledger/LedgerError.h"
#include "ledger/LedgerStatements.h"
#include "ledger/SqliteHandles.h"

namespace {

void RefuseUnsuitableFile(const QString& path)
{
    switch (SniffLedgerFile(path)) {
    case LedgerFileKind::Empty:
        throw LedgerError(QStringLiteral("Le fichier %1 est vide : ce n'est pas un registre.").arg(ShownPath(path)));
    case LedgerFileKind::PlainSqlite:
        throw LedgerError(
            QStringLiteral("Le fichier %1 n'est pas protégé par un mot de passe : ce n'est pas un registre.")
                .arg(ShownPath(path)));
    case LedgerFileKind::NotRegular:
        throw LedgerError(QStringLiteral("%1 n'est pas un fichier ordinaire (c'est un dossier, un tube ou un "
                                         "périphérique) : ce n'est pas un registre.")
                              .arg(ShownPath(path)));
    case LedgerFileKind::Jet:
        throw LedgerError(QStringLiteral("Le fichier %1 est au format Access (Jet), que ce programme ne lit pas.")
                              .arg(ShownPath(path)));
    case LedgerFileKind::Missing: // the engine says why it cannot open it
    case LedgerFileKind::Other:
        break;
    }
}

// The engine finds out whether the key is right only when it first reads the file.
void ReadSchema(sqlite3* db)
{
    Statement count(db, "SELECT count(*) FROM sqlite_master");
    count.step();
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
        throw LedgerError(
            QStringLiteral("Le fichier %1 ne contient pas la table tblPlorn avec les champs NomPers et LesPlorns.")
                .arg(ShownPath(path)));
}

// The engine opens a write-protected file read-only without a word, and a read-only folder fails only
// when the journal is made: both would surface at the first save, after the user has typed.
void RequireWritable(sqlite3* db, const QString& path)
{
    const QString refusal = QStringLiteral("Le fichier %1 ne peut pas être modifié : %2");
    if (sqlite3_db_readonly(db, "main") == 1)
        throw LedgerError(refusal.arg(ShownPath(path), QStringLiteral("il est en lecture seule.")), SQLITE_READONLY);

    Execute(db, "BEGIN IMMEDIATE");
    // Rewriting the schema cookie's neighbour with its own value dirties the first page, which makes
    // the engine create its journal beside the file; the rollback leaves the file as it was.
    int result = SQLITE_OK;
    {
        Statement version(db, "PRAGMA user_version");
        version.step();
        const QByteArray rewrite = "PRAGMA user_version = " + QByteArray::number(version.integer(0));
        result = sqlite3_exec(db, rewrite.constData(), nullptr, nullptr, nullptr);
    }
    const QString engineMessage = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK)
        throw LedgerError(refusal.arg(ShownPath(path), engineMessage), result);
}

} // namespace

Ledger::Ledger(Connection db) : db_(std::move(db)) {}

QList<PersonName> Ledger::ListPersons()
{
    QList<PersonName> names;
    ListPersons([&names](QByteArrayView stored) { names.append(PersonName::fromStored(stored.toByteArray())); });
    return names;
}

void Ledger::ListPersons(const std::function<void(QByteArrayView)>& take)
{
    Statement list(db_.get(), ListPersonsSql);
    while (list.step()) {
        if (!list.isNull(0))
            take(list.bytesView(0));
    }
}

std::optional<QString> Ledger::ReadNotes(const PersonName& name)
{
    std::optional<QString> notes;
    Statement read(db_.get(), ReadNotesSql);
    read.bind(name.stored());
    while (read.step()) {
        if (!read.isNull(0))
            notes = read.isNull(1) ? QString() : read.text(1);
    }
    return notes;
}

Ledger::SaveOutcome Ledger::SaveNotes(const PersonName& name, const QString& notes)
{
    // A savepoint rather than BEGIN: it nests inside a transaction the caller may hold.
    Execute(db_.get(), "SAVEPOINT save_notes");
    try {
        Statement(db_.get(), SaveNotesSql).bind(notes).bind(name.stored()).run();
        const bool matched = sqlite3_changes(db_.get()) > 0;
        if (!matched)
            Statement(db_.get(), AddPersonSql).bind(name.stored()).bind(notes).run();
        Execute(db_.get(), "RELEASE save_notes");
        return matched ? SaveOutcome::Saved : SaveOutcome::AddedBack;
    } catch (...) {
        sqlite3_exec(db_.get(), "ROLLBACK TO save_notes; RELEASE save_notes", nullptr, nullptr, nullptr);
        throw;
    }
}

void Ledger::AddPerson(const PersonName& name, const QString& notes)
{
    Statement(db_.get(), AddPersonSql).bind(name.stored()).bind(notes).run();
}

void Ledger::DeletePerson(const PersonName& name)
{
    Statement(db_.get(), DeletePersonSql).bind(name.stored()).run();
}

void Ledger::Close()
{
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
        throw LedgerError(QStringLiteral("Le mot de passe du registre est vide."));
    RefuseUnsuitableFile(path);

    Connection db = OpenKeyedConnection(path, password);
    CheckEngine(db.get(), sqlite3_busy_timeout(db.get(), busyTimeoutMs));
    ReadSchema(db.get());
    // Sorting and other temporary work stays in memory: an unencrypted temporary file never exists.
    Execute(db.get(), "PRAGMA temp_store = MEMORY");
    RequireLedgerTable(db.get(), path);
    RequireWritable(db.get(), path);
    return Ledger(std::move(db));
}

void CloseLedger(Ledger& ledger)
{
    ledger.Close();
}
