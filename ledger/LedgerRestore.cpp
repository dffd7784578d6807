#include "ledger/LedgerRestore.h"

#include "ledger/BackupProof.h"
#include "ledger/FileSync.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {

// How many names the damaged ledger may try before giving up: one a second is the rule, the rest for the odd
// second restore.
constexpr int AsideNameTries = 100;
constexpr qint64 ChunkBytes = 1 << 20;

[[noreturn]] void Refuse(const QString& what, const QString& path, const QString& why)
{
    throw LedgerError(what.arg(ShownPath(path), why));
}

bool Exists(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

QString JournalOf(const QString& path)
{
    return path + QStringLiteral("-journal");
}

const QString CannotCopy = QStringLiteral("Impossible de copier la sauvegarde %1 à la place du registre (%2).");

// Syncs the folder at `path`, naming it in French when that fails.
void SyncFolder(const QString& path)
{
    try {
        SyncToDisk(path);
    } catch (const LedgerError& error) {
        Refuse(QStringLiteral("Impossible d'enregistrer sur le disque le dossier %1 (%2)."), path, error.message());
    }
}

// The copy of the backup, written beside the ledger under a draft's name (so that one cut short is removed at
// the next start); removed unless renamed into place.
class Replacement {
public:
    Replacement(const QString& ledgerPath, const QString& backupPath)
        : backupPath_(backupPath), file_(QFileInfo(ledgerPath).dir().filePath(QStringLiteral(".BDPLORN-new-XXXXXX")))
    {
        if (file_.error() != 0)
            Refuse(CannotCopy, backupPath, SystemMessage(file_.error()));
    }

    // Copies the backup's bytes, then syncs and closes the copy.
    void write()
    {
        QFile backup(backupPath_);
        if (!backup.open(QIODevice::ReadOnly))
            Refuse(CannotCopy, backupPath_, backup.errorString());
        int error = 0;
        while (error == 0) {
            const QByteArray chunk = backup.read(ChunkBytes);
            if (chunk.isEmpty()) {
                if (backup.error() != QFileDevice::NoError)
                    Refuse(CannotCopy, backupPath_, backup.errorString());
                break;
            }
            error = file_.append(chunk);
        }
        if (error == 0)
            error = file_.finish();
        if (error != 0)
            Refuse(CannotCopy, backupPath_, SystemMessage(error));
    }

    void placeAt(const QString& ledgerPath)
    {
        if (const int error = file_.renameOver(ledgerPath))
            Refuse(QStringLiteral("Impossible de remettre la sauvegarde à la place du registre %1 (%2)."), ledgerPath,
                   SystemMessage(error));
    }

private:
    QString backupPath_;
    PendingFile file_;
};

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
                Refuse(CannotKeep, ledgerPath, SystemMessage(error));
        }
        Refuse(CannotKeep, ledgerPath, SystemMessage(EEXIST));
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
            Refuse(CannotKeep, journal, SystemMessage(error));
        journalLinked_ = true;
        SyncFolder(QFileInfo(ledgerPath_).absolutePath());
        if (const int error = RemoveFile(journal))
            Refuse(CannotKeep, journal, SystemMessage(error));
        journalMoved_ = true;
    }
    void keep() { kept_ = true; }

private:
    inline static const QString CannotKeep =
        QStringLiteral("Impossible de mettre de côté le registre endommagé %1 (%2).");

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
    Replacement copy(ledgerPath, backupPath);
    copy.write();
    DamagedAside aside(ledgerPath, now);
    aside.moveJournal();
    copy.placeAt(ledgerPath);
    aside.keep();
    SyncFolder(QFileInfo(ledgerPath).absolutePath());
    return aside.path();
}
