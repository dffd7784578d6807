#include "ledger/LedgerBackup.h"

#include "ledger/BackupGenerations.h"
#include "ledger/BackupProof.h"
#include "ledger/FileSync.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerRestore.h"
#include "ledger/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// A step that failed, with the whole French reason, and the system's error number when it was the system's.
struct BackupFailure {
    QString reason;
    int error = 0;
};

// How much of the ledger is read and written at a time.
constexpr qint64 ChunkBytes = 1 << 20;

BackupFailure SystemFailure(const QString& what, const QString& path, int error)
{
    return {what.arg(ShownPath(path), SystemMessage(error)), error};
}

bool IsDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

const QString CannotWrite = QStringLiteral("Impossible d'écrire la sauvegarde %1 (%2).");

// Makes the folder, private to its owner; an existing folder is used as it is.
void MakeBackupFolder(const QString& folder)
{
    const QString refusal = QStringLiteral("Impossible de créer le dossier des sauvegardes %1 (%2).");
    const int error = MakePrivateFolder(folder);
    if (error == 0) {
        SyncToDisk(QFileInfo(folder).absolutePath());
        return;
    }
    struct stat status {};
    if (error == EEXIST && ::stat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return;
    throw SystemFailure(refusal, folder, error == EEXIST ? ENOTDIR : error);
}

// What a backup cut short left: hidden files named as its drafts, .BDPLORN-AAAA-MM-JJ.mdb- and six letters or
// digits.
const QRegularExpression LeftoverDraftCopy(QStringLiteral("^\\.BDPLORN-\\d{4}-\\d{2}-\\d{2}\\.mdb-[A-Za-z0-9]{6}$"));

// The copy being written, under a temporary name in the backup folder; removed unless renamed into place.
class DraftCopy {
public:
    DraftCopy(const QString& folder, const QString& target)
        : target_(target), file_(QDir(folder).filePath(QStringLiteral(".%1-XXXXXX").arg(QFileInfo(target).fileName())))
    {
        if (file_.error() != 0)
            throw SystemFailure(
                QStringLiteral("Impossible de créer un fichier dans le dossier des sauvegardes %1 (%2)."), folder,
                file_.error());
    }

    QString path() const { return file_.path(); }

    void write(const char* bytes, qint64 size) { check(file_.append(QByteArrayView(bytes, size))); }
    // Syncs and closes the copy.
    void finish() { check(file_.finish()); }
    // Renames the finished copy over its target.
    void place() { check(file_.renameOver(target_)); }

private:
    void check(int error) const
    {
        if (error != 0)
            throw SystemFailure(CannotWrite, target_, error);
    }

    QString target_;
    PendingFile file_;
};

// The file layer's calls set no message on the connection: the engine's text for the code stands for it.
void CheckFileLayer(int resultCode)
{
    if (resultCode != SQLITE_OK)
        throw LedgerError(QString::fromUtf8(sqlite3_errstr(resultCode)), resultCode);
}

// A connection of its own on the ledger, in a read transaction: while it lasts, writers cannot commit, so
// the file holds the last committed state. Engine failures throw LedgerError.
class CommittedLedger {
public:
    CommittedLedger(const QString& path, int busyTimeoutMs)
        : db_(OpenKeyedConnection(path, LedgerPassword, busyTimeoutMs))
    {
        // The first read derives the key, which takes long, and checks it; it is done before the transaction
        // so that writers are not held up meanwhile.
        ReadSchema();
        Execute(db_.get(), "BEGIN");
        // The read takes the shared lock, which the transaction keeps, after rolling back a journal that a
        // crash left.
        ReadSchema();
        // A ledger in WAL mode keeps committed pages beside the file, which a copy of the file would miss.
        Statement mode(db_.get(), "PRAGMA journal_mode");
        if (mode.step() && mode.text(0).compare(QStringLiteral("wal"), Qt::CaseInsensitive) == 0)
            throw LedgerError(
                QStringLiteral("le registre est en mode WAL, dont une copie du seul fichier serait incomplète"));
    }

    // Copies the file's bytes into `draft`; failures writing it throw BackupFailure.
    //
    // The bytes are read through the connection's own file handle. Opening the file a second time and
    // closing it would release every lock this process holds on it (POSIX record locks belong to the
    // process, and any close of the file drops them all): the window's connection would lose its write lock
    // without knowing, and another program could write meanwhile.
    void copyInto(DraftCopy& draft)
    {
        sqlite3_file* file = nullptr;
        CheckEngine(db_.get(), sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_FILE_POINTER, &file));
        if (!file || !file->pMethods)
            throw LedgerError(QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)), SQLITE_CANTOPEN);
        sqlite3_int64 size = 0;
        CheckFileLayer(file->pMethods->xFileSize(file, &size));
        std::vector<char> buffer(static_cast<size_t>(std::clamp<qint64>(size, 1, ChunkBytes)));
        for (sqlite3_int64 offset = 0; offset < size;) {
            const int amount = static_cast<int>(std::min<qint64>(ChunkBytes, size - offset));
            CheckFileLayer(file->pMethods->xRead(file, buffer.data(), amount, offset));
            draft.write(buffer.data(), amount);
            offset += amount;
        }
    }

    // Ends the read transaction and closes the connection: writers may commit again.
    void close()
    {
        Execute(db_.get(), "COMMIT");
        CheckEngine(db_.get(), sqlite3_close(db_.get()));
        db_.release();
    }

private:
    void ReadSchema()
    {
        Statement read(db_.get(), "SELECT count(*) FROM sqlite_master");
        read.step();
    }

    Connection db_;
};

BackupFailure LedgerReadFailure(const QString& ledgerPath, const LedgerError& error)
{
    return {QStringLiteral("Impossible de lire le registre %1 pour le sauvegarder (%2).")
                .arg(ShownPath(ledgerPath), error.message())};
}

// Copies the ledger into a synced draft of the day's backup: BackupFailure for every failure, with the system's
// error for the copy's. The ledger is held still from before anything is made, so that a ledger that cannot be
// read leaves nothing behind, until its bytes are written: the copy is synced after, so that writers wait for
// the reading only.
void CopyLedger(const QString& ledgerPath, int busyTimeoutMs, const QString& target, std::optional<DraftCopy>& draft)
{
    try {
        CommittedLedger ledger(ledgerPath, busyTimeoutMs);
        const QString folder = QFileInfo(target).absolutePath();
        MakeBackupFolder(folder);
        RemoveLeftovers(folder, LeftoverDraftCopy);
        draft.emplace(folder, target);
        ledger.copyInto(*draft);
        ledger.close();
    } catch (const LedgerError& error) {
        draft.reset();
        throw LedgerReadFailure(ledgerPath, error);
    }
    draft->finish();
}

// A damage verdict holds only when a second proof, on a fresh connection, finds it too: a read that failed
// once, on the first page, looks to the engine like a wrong key.
BackupProof ProveTwiceIfDamaged(const QString& path, const std::atomic<bool>* stop)
{
    BackupProof proof = ProveBackup(path, stop);
    if (!proof.whole)
        proof = ProveBackup(path, stop);
    return proof;
}

QList<QDate> DaysOf(const QList<DatedBackup>& backups)
{
    QList<QDate> days;
    for (const DatedBackup& backup : backups)
        days.append(backup.day);
    return days;
}

// Removes the oldest backup that may go to make room for the day's one; returns its path, none when none may.
std::optional<QString> RemoveOneForRoom(const QString& ledgerPath, QDate day)
{
    const QList<DatedBackup> backups = BackupsOf(ledgerPath);
    const QList<QDate> removable = BackupsForRoom(DaysOf(backups), day);
    if (removable.isEmpty())
        return std::nullopt;
    const auto oldest = std::find_if(backups.begin(), backups.end(),
                                     [&](const DatedBackup& backup) { return backup.day == removable.first(); });
    if (const int error = RemoveFile(oldest->path))
        throw SystemFailure(QStringLiteral("L'ancienne sauvegarde %1 n'a pas pu être supprimée (%2)."), oldest->path,
                            error);
    SyncToDisk(BackupFolderFor(ledgerPath));
    return oldest->path;
}

// Copies the ledger into a synced draft, making room when the disk is full.
void CopyMakingRoom(const QString& ledgerPath, QDate day, int busyTimeoutMs, BackupOutcome& outcome,
                    std::optional<DraftCopy>& draft)
{
    for (;;) {
        try {
            CopyLedger(ledgerPath, busyTimeoutMs, outcome.path, draft);
            return;
        } catch (const BackupFailure& failure) {
            draft.reset();
            if (!IsDiskFull(failure.error))
                throw;
            const std::optional<QString> removed = RemoveOneForRoom(ledgerPath, day);
            if (!removed)
                throw;
            outcome.removedForRoom.append(*removed);
        }
    }
}

// Removes the older backups beyond the generations kept. Returns what could not be removed, in French, or an
// empty text.
QString RemoveOldBackups(const QString& ledgerPath, QDate day)
{
    const QList<DatedBackup> backups = BackupsOf(ledgerPath);
    const std::set<QDate> going = BackupsToRemove(DaysOf(backups), day);
    QStringList problems;
    bool removed = false;
    for (const DatedBackup& backup : backups) {
        if (!going.contains(backup.day))
            continue;
        const int error = RemoveFile(backup.path);
        if (error == 0) {
            removed = true;
            continue;
        }
        problems << SystemFailure(QStringLiteral("L'ancienne sauvegarde %1 n'a pas pu être supprimée (%2)."),
                                  backup.path, error)
                        .reason;
    }
    if (removed)
        SyncToDisk(BackupFolderFor(ledgerPath));
    return problems.join(QLatin1Char(' '));
}

QString RoomNotice(const QStringList& removed)
{
    QStringList names;
    for (const QString& path : removed)
        names << QFileInfo(path).fileName();
    return QStringLiteral("Le disque était trop plein pour la sauvegarde du jour : pour lui faire de la place, "
                          "les plus anciennes sauvegardes ont été supprimées (%1). Libérez de la place sur le disque "
                          "pour garder vos sauvegardes.")
        .arg(names.join(QStringLiteral(", ")));
}

} // namespace

QString BackupFolderFor(const QString& ledgerPath)
{
    return QDir(QFileInfo(ledgerPath).absolutePath()).filePath(BackupFolderName);
}

QString BackupPathFor(const QString& ledgerPath, QDate day)
{
    return QDir(BackupFolderFor(ledgerPath))
        .filePath(QStringLiteral("BDPLORN-%1.mdb").arg(day.toString(QStringLiteral("yyyy-MM-dd"))));
}

QList<DatedBackup> BackupsOf(const QString& ledgerPath)
{
    const QRegularExpression backupName(QStringLiteral("^BDPLORN-(\\d{4}-\\d{2}-\\d{2})\\.mdb$"));
    const QDir dir(BackupFolderFor(ledgerPath));
    QList<DatedBackup> backups;
    for (const QString& name :
         dir.entryList({QStringLiteral("BDPLORN-*.mdb")}, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort)) {
        const QRegularExpressionMatch match = backupName.match(name);
        if (!match.hasMatch())
            continue;
        const QDate day = QDate::fromString(match.captured(1), Qt::ISODate);
        if (day.isValid())
            backups.append({day, dir.filePath(name)});
    }
    return backups;
}

BackupOutcome MakeDailyBackup(const QString& ledgerPath, QDate day, int busyTimeoutMs,
                              const std::atomic<bool>* stop) noexcept
{
    BackupOutcome outcome;
    try {
        if (!day.isValid()) {
            outcome.reason = QStringLiteral("Le registre %1 n'est pas sauvegardé (la date donnée n'est pas valide).")
                                 .arg(ShownPath(ledgerPath));
            return outcome;
        }
        outcome.path = BackupPathFor(ledgerPath, day);
        if (QFileInfo(outcome.path).isFile()) {
            outcome.result = BackupOutcome::Result::AlreadyThere;
            return outcome;
        }

        std::optional<DraftCopy> draft;
        CopyMakingRoom(ledgerPath, day, busyTimeoutMs, outcome, draft);
        BackupProof proof;
        try {
            proof = ProveTwiceIfDamaged(draft->path(), stop);
        } catch (const LedgerError& error) {
            throw BackupFailure{QStringLiteral("La sauvegarde du registre %1 n'a pas pu être vérifiée (%2).")
                                    .arg(ShownPath(ledgerPath), error.message())};
        }
        if (!proof.whole) {
            draft.reset();
            outcome.result = BackupOutcome::Result::LedgerDamaged;
            outcome.reason = QStringLiteral("Le registre %1 est endommagé : sa copie du jour n'a pas passé la "
                                            "vérification (%2).")
                                 .arg(ShownPath(ledgerPath), proof.damage);
            outcome.latestGoodBackup = LatestGoodBackup(ledgerPath, day).value_or(QString());
        } else {
            draft->place();
            SyncToDisk(BackupFolderFor(ledgerPath));
            outcome.result = BackupOutcome::Result::Made;
            outcome.reason = RemoveOldBackups(ledgerPath, day);
        }
    } catch (const BackupFailure& failure) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.reason = failure.reason;
    } catch (const std::exception& error) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.reason = QStringLiteral("La sauvegarde %1 n'a pas pu être faite (%2).")
                             .arg(ShownPath(outcome.path), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.reason =
            QStringLiteral("La sauvegarde %1 n'a pas pu être faite (erreur inconnue).").arg(ShownPath(outcome.path));
    }
    if (!outcome.removedForRoom.isEmpty())
        outcome.notice = RoomNotice(outcome.removedForRoom);
    return outcome;
}
