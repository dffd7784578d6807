#include "ledger/LedgerRestore.h"

#include "ledger/BackupProof.h"
#include "ledger/FileSync.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// How many names the damaged ledger may try before giving up: one a second is the rule, the rest for the odd
// second restore.
constexpr int AsideNameTries = 100;
constexpr qint64 ChunkBytes = 1 << 20;

bool Exists(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

QString JournalOf(const QString& path)
{
    return path + QStringLiteral("-journal");
}

// Syncs the folder at `path`, naming it when that fails.
void SyncFolder(const QString& path)
{
    try {
        SyncToDisk(path);
    } catch (const LedgerError& error) {
        throw LedgerError::During(LedgerStep::SyncingFolder, path, error);
    }
}

// Copies the backup's bytes into `copy`, then syncs and closes it; the backup is read through its own descriptor,
// which no connection shares.
void CopyBackup(const QString& backupPath, PendingFile& copy)
{
    const auto refuse = [&backupPath](int error) {
        throw LedgerError::System(LedgerStep::CopyingBackup, backupPath, error);
    };
    const int fd = ::open(QFile::encodeName(backupPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        refuse(errno);
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), static_cast<size_t>(chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refuse(errno);
        if (got == 0)
            break;
        if (const int error = copy.append(QByteArrayView(chunk.constData(), got)))
            refuse(error);
    }
    if (const int error = copy.finish())
        refuse(error);
}

// The damaged ledger, and then its journal, under a second name, which stays once the ledger's own is given to
// the copy; taken back on failure unless kept.
class DamagedAside {
public:
    DamagedAside(const QString& ledgerPath, const QDateTime& now) : ledgerPath_(ledgerPath)
    {
        const QString stem =
            QFileInfo(ledgerPath)
                .dir()
                .filePath(
                    QStringLiteral("BDPLORN-endommage-%1").arg(now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
        for (int attempt = 1; attempt <= AsideNameTries; ++attempt) {
            const QString candidate =
                stem + (attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt)) + QStringLiteral(".mdb");
            if (Exists(JournalOf(candidate)))
                continue;
            const int error = LinkFile(ledgerPath, candidate);
            if (error == 0) {
                path_ = candidate;
                return;
            }
            if (error != EEXIST)
                throw LedgerError::System(LedgerStep::KeepingDamaged, ledgerPath, error);
        }
        throw LedgerError::System(LedgerStep::KeepingDamaged, ledgerPath, EEXIST);
    }
    ~DamagedAside()
    {
        if (kept_)
            return;
        if (journalMoved_)
            LinkFile(JournalOf(path_), JournalOf(ledgerPath_));
        if (journalLinked_)
            RemoveFile(JournalOf(path_));
        RemoveFile(path_);
    }
    DamagedAside(const DamagedAside&) = delete;
    DamagedAside& operator=(const DamagedAside&) = delete;

    QString path() const { return path_; }

    // The journal goes with the ledger, and leaves the ledger's name, where the copy goes next.
    void moveJournal()
    {
        const QString journal = JournalOf(ledgerPath_);
        if (!Exists(journal))
            return;
        if (const int error = LinkFile(journal, JournalOf(path_)))
            throw LedgerError::System(LedgerStep::KeepingDamaged, journal, error);
        journalLinked_ = true;
        SyncFolder(QFileInfo(ledgerPath_).absolutePath());
        if (const int error = RemoveFile(journal))
            throw LedgerError::System(LedgerStep::KeepingDamaged, journal, error);
        journalMoved_ = true;
    }
    void keep() { kept_ = true; }

private:
    QString ledgerPath_;
    QString path_;
    bool journalLinked_ = false;
    bool journalMoved_ = false;
    bool kept_ = false;
};

} // namespace

std::optional<QString> LatestGoodBackup(const QString& ledgerPath, QDate today)
{
    QList<DatedBackup> backups = BackupsOf(ledgerPath);
    // Those dated on or before today first, each group newest first.
    std::sort(backups.begin(), backups.end(), [today](const DatedBackup& a, const DatedBackup& b) {
        return std::tuple(a.day > today, b.day) < std::tuple(b.day > today, a.day);
    });
    for (const DatedBackup& backup : backups) {
        try {
            if (ProveBackup(backup.path).whole)
                return backup.path;
        } catch (const LedgerError&) {
            // A backup that cannot be read now is no good one.
        }
    }
    return std::nullopt;
}

QString RestoreBackup(const QString& ledgerPath, const QString& backupPath, const QDateTime& now)
{
    // Under a draft's name, so that a copy cut short is removed at the next start.
    PendingFile copy(QFileInfo(ledgerPath).dir().filePath(QStringLiteral(".BDPLORN-new-XXXXXX")));
    if (copy.error() != 0)
        throw LedgerError::System(LedgerStep::CopyingBackup, backupPath, copy.error());
    CopyBackup(backupPath, copy);
    DamagedAside aside(ledgerPath, now);
    aside.moveJournal();
    if (const int error = copy.renameOver(ledgerPath))
        throw LedgerError::System(LedgerStep::PuttingBack, ledgerPath, error);
    aside.keep();
    SyncFolder(QFileInfo(ledgerPath).absolutePath());
    return aside.path();
}
