#include "ledger/LedgerDraft.h"

#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerStatements.h"
#include "ledger/SqliteHandles.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// Six letters or digits take the place of the Xs.
const QString DraftTemplate = QStringLiteral(".BDPLORN-new-XXXXXX");

} // namespace

LedgerDraft::LedgerDraft(const QString& folder) : file_(QDir(folder).filePath(DraftTemplate))
{
    if (file_.error() != 0)
        throw LedgerError::System(LedgerStep::MakingDraft, folder, file_.error());
}

void LedgerDraft::prepare()
{
    if (db_)
        return;
    Connection db = OpenKeyedConnection(path(), LedgerPassword);
    // A draft that fails is thrown away whole, and one that is kept is synced whole before it takes its place: no
    // journal, temporary file or intermediate sync needs to reach the disk.
    Execute(db.get(), "PRAGMA journal_mode = MEMORY");
    Execute(db.get(), "PRAGMA temp_store = MEMORY");
    Execute(db.get(), "PRAGMA synchronous = OFF");
    // The engine derives the key when it first encrypts a page: committing the empty table does it here, where
    // the caller may have it done alongside other work, rather than at write().
    Execute(db.get(), "BEGIN");
    Execute(db.get(), CreateTableSql);
    Execute(db.get(), "COMMIT");
    Execute(db.get(), "BEGIN");
    db_ = std::move(db);
}

void LedgerDraft::write(const QList<LedgerPerson>& persons)
{
    prepare();
    for (const LedgerPerson& person : persons)
        Statement(db_.get(), AddPersonSql).bind(person.name).bind(person.notes).run();
    Execute(db_.get(), "COMMIT");
    sqlite3* db = db_.release();
    CheckEngine(db, sqlite3_close(db));
    if (const int error = file_.finish())
        throw LedgerError::System(LedgerStep::Using, path(), error);
}

void LedgerDraft::renameOver(const QString& target)
{
    if (const int error = file_.renameOver(target))
        throw LedgerError::System(LedgerStep::PlacingDraft, target, error);
}

int LedgerDraft::linkAs(const QString& target)
{
    return LinkFile(path(), target);
}

void RemoveLeftoverDrafts(const QString& folder)
{
    static const QRegularExpression draftName(QStringLiteral("^\\.BDPLORN-new-[A-Za-z0-9]{6}$"));
    RemoveLeftovers(folder, draftName);
}
