#include "ledger/LedgerDraft.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerStatements.h"
#include "ledger/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <cstdio>

LedgerDraft::LedgerDraft(const QString& folder) : file_(QDir(folder).filePath(QStringLiteral(".BDPLORN-new-XXXXXX")))
{
    if (!file_.open())
        throw LedgerError(
            QStringLiteral("Impossible de créer un fichier dans %1 : %2").arg(ShownPath(folder), file_.errorString()));
    file_.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file_.close();
}

void LedgerDraft::write(const QList<LedgerPerson>& persons)
{
    Connection db = OpenKeyedConnection(path(), LedgerPassword);
    // A draft that fails is thrown away whole: no journal or temporary file needs to reach the disk.
    Execute(db.get(), "PRAGMA journal_mode = MEMORY");
    Execute(db.get(), "PRAGMA temp_store = MEMORY");
    Execute(db.get(), "BEGIN");
    Execute(db.get(), CreateTableSql);
    for (const LedgerPerson& person : persons)
        Statement(db.get(), AddPersonSql).bind(person.name).bind(person.notes).run();
    Execute(db.get(), "COMMIT");
    CheckEngine(db.get(), sqlite3_close(db.release()));
    SyncToDisk(path());
}

void LedgerDraft::renameOver(const QString& target)
{
    if (std::rename(QFile::encodeName(path()).constData(), QFile::encodeName(target).constData()) != 0)
        throw LedgerError(QStringLiteral("Impossible de remplacer %1 : %2").arg(ShownPath(target), LastSystemError()));
    file_.setAutoRemove(false);
}
