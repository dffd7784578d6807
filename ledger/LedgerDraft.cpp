#include "ledger/LedgerDraft.h"

#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

LedgerDraft::LedgerDraft(const QString& folder) : file_(QDir(folder).filePath(QStringLiteral(".BDPLORN-new-XXXXXX")))
{
    if (!file_.open())
        throw LedgerError(
            QStringLiteral("Impossible de créer un fichier dans %1 : %2").arg(Shown(folder), file_.errorString()));
    file_.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file_.close();
}

void LedgerDraft::write(const QList<LedgerPerson>& persons)
{
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path()).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw);
    CheckEngine(db.get(), opened);
    const QByteArray key = LedgerPassword.toUtf8();
    CheckEngine(db.get(), sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size())));
    // A draft that fails is thrown away whole: no journal or temporary file needs to reach the disk.
    Execute(db.get(), "PRAGMA journal_mode = MEMORY");
    Execute(db.get(), "PRAGMA temp_store = MEMORY");
    Execute(db.get(), "BEGIN");
    Execute(db.get(), "CREATE TABLE tblPlorn (NomPers TEXT NOT NULL UNIQUE, LesPlorns TEXT)");
    for (const LedgerPerson& person : persons)
        Statement(db.get(), "INSERT INTO tblPlorn (NomPers,LesPlorns) VALUES (?,?) ")
            .bind(person.name)
            .bind(person.notes)
            .run();
    Execute(db.get(), "COMMIT");
    CheckEngine(db.get(), sqlite3_close(db.release()));
    SyncToDisk(path());
}

void LedgerDraft::renameOver(const QString& target)
{
    if (std::rename(QFile::encodeName(path()).constData(), QFile::encodeName(target).constData()) != 0)
        throw LedgerError(QStringLiteral("Impossible de remplacer %1 : %2").arg(Shown(target), SystemError()));
    file_.setAutoRemove(false);
}

void SyncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
