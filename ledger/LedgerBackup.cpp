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
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace {

// How much of the ledger is read and written at a time.
constexpr qint64 ChunkBytes = 1 << 20;

// A full disk that removing an older backup may make room on: the copy's own files, not the ledger's reading.
bool IsDiskFull(const LedgerError& failure)
{
    const int error = failure.systemError();
    return failure.step() != LedgerStep::ReadingToBackUp && (error == ENOSPC || error == EDQUOT);
}

// Makes the folder, private to its owner; an existing folder is used as it is.
void MakeBackupFolder(const QString& folder)
{
    const int error = MakePrivateFolder(folder);
    if (error == 0) {
        SyncToDisk(QFileInfo(folder).absolutePath());
        return;
    }
    struct stat status {};
    if (error == EEXIST && ::stat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return;
    throw LedgerError::System(LedgerStep::MakingBackupFolder, folder, error == EEXIST ? ENOTDIR : error);
}

// What a backup cut short left: hidden files named as its drafts, .BDPLORN-AAAA-MM-JJ.mdb- and six letters or
// digits.
const QRegularExpression LeftoverDraftCopy(QStringLiteral("^\\.BDPLORN-\\d{4}-\\d{2}-\\d{2}\\.mdb-[A-Za-z0-9]{6}$"));

// The copy being written, under a temporary name in the backup folder; removed unless renamed into place.
std::unique_ptr<PendingFile> StartCopy(const QString& folder, const QString& target)
{
    auto copy = std::make_unique<PendingFile>(
        QDir(folder).filePath(QStringLiteral(".%1-XXXXXX").arg(QFileInfo(target).fileName())));
    if (copy->error() != 0)
        throw LedgerError::System(LedgerStep::MakingBackupFile, folder, copy->error());
    return copy;
}

// A step of writing the copy of `target`, which returned `error`.
void CheckWritten(int error, const QString& target)
{
    if (error != 0)
        throw LedgerError::System(LedgerStep::WritingBackup, target, error);
}

// The file layer's calls set no message on the connection: the engine's text for the code stands for it.
void CheckFileLayer(int resultCode)
{
    if (resultCode != SQLITE_OK)
        throw LedgerError(LedgerError::KindOf(resultCode), QString(), QString::fromUtf8(sqlite3_errstr(resultCode)),
                          resultCode);
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
        ReadSchema(db_.get());
        Execute(db_.get(), "BEGIN");
        // The read takes the shared lock, which the transaction keeps, after rolling back a journal that a
        // crash left.
        ReadSchema(db_.get());
        // A ledger in WAL mode keeps committed pages beside the file, which a copy of the file would miss.
        Statement mode(db_.get(), "PRAGMA journal_mode");
        if (mode.step() && mode.text(0).compare(QStringLiteral("wal"), Qt::CaseInsensitive) == 0)
            throw LedgerError(LedgerFailure::WalMode, path);
    }

    // Copies the file's bytes into `copy`, a copy of `target`.
    //
    // The bytes are read through the connection's own file handle. Opening the file a second time and
    // closing it would release every lock this process holds on it (POSIX record locks belong to the
    // process, and any close of the file drops them all): the window's connection would lose its write lock
    // without knowing, and another program could write meanwhile.
    void copyInto(PendingFile& copy, const QString& target)
    {
        sqlite3_file* file = nullptr;
        CheckEngine(db_.get(), sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_FILE_POINTER, &file));
        if (!file || !file->pMethods)
            CheckFileLayer(SQLITE_CANTOPEN);
        sqlite3_int64 size = 0;
        CheckFileLayer(file->pMethods->xFileSize(file, &size));
        std::vector<char> buffer(static_cast<size_t>(std::clamp<qint64>(size, 1, ChunkBytes)));
        for (sqlite3_int64 offset = 0; offset < size;) {
            const int amount = static_cast<int>(std::min<qint64>(ChunkBytes, size - offset));
            CheckFileLayer(file->pMethods->xRead(file, buffer.data(), amount, offset));
            CheckWritten(copy.append(QByteArrayView(buffer.data(), amount)), target);
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
    Connection db_;
};

// Copies the ledger into a synced copy of the day's backup. The ledger is held still from before anything is
// made, so that a ledger that cannot be read leaves nothing behind, until its bytes are written: the copy is
// synced after, so that writers wait for the reading only. A failure of the ledger's reading is told as such.
std::unique_ptr<PendingFile> CopyLedger(const QString& ledgerPath, int busyTimeoutMs, const QString& target)
{
    std::unique_ptr<PendingFile> copy;
    try {
        CommittedLedger ledger(ledgerPath, busyTimeoutMs);
        const QString folder = QFileInfo(target).absolutePath();
        MakeBackupFolder(folder);
        RemoveLeftovers(folder, LeftoverDraftCopy);
        copy = StartCopy(folder, target);
        ledger.copyInto(*copy, target);
        ledger.close();
    } catch (const LedgerError& error) {
        if (error.step() != LedgerStep::Using)
            throw;
        throw LedgerError::During(LedgerStep::ReadingToBackUp, ledgerPath, error);
    }
    CheckWritten(copy->finish(), target);
    return copy;
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
        throw LedgerError::System(LedgerStep::RemovingBackup, oldest->path, error);
    SyncToDisk(BackupFolderFor(ledgerPath));
    return oldest->path;
}

// Copies the ledger into a synced copy, making room when the disk is full.
std::unique_ptr<PendingFile> CopyMakingRoom(const QString& ledgerPath, QDate day, int busyTimeoutMs,
                                            BackupOutcome& outcome)
{
    for (;;) {
        try {
            return CopyLedger(ledgerPath, busyTimeoutMs, outcome.path);
        } catch (const LedgerError& failure) {
            if (!IsDiskFull(failure))
                throw;
            const std::optional<QString> removed = RemoveOneForRoom(ledgerPath, day);
            if (!removed)
                throw;
            outcome.removedForRoom.append(*removed);
        }
    }
}

// Removes the older backups beyond the generations kept. Returns those that could not be removed.
QList<LedgerError> RemoveOldBackups(const QString& ledgerPath, QDate day)
{
    const QList<DatedBackup> backups = BackupsOf(ledgerPath);
    const std::set<QDate> going = BackupsToRemove(DaysOf(backups), day);
    QList<LedgerError> unremoved;
    bool removed = false;
    for (const DatedBackup& backup : backups) {
        if (!going.contains(backup.day))
            continue;
        if (const int error = RemoveFile(backup.path))
            unremoved.append(LedgerError::System(LedgerStep::RemovingBackup, backup.path, error));
        else
            removed = true;
    }
    if (removed)
        SyncToDisk(BackupFolderFor(ledgerPath));
    return unremoved;
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
    outcome.ledgerPath = ledgerPath;
    try {
        if (!day.isValid()) {
            outcome.failure = LedgerError::Failed(LedgerStep::CheckingDate, ledgerPath);
            return outcome;
        }
        outcome.path = BackupPathFor(ledgerPath, day);
        if (QFileInfo(outcome.path).isFile()) {
            outcome.result = BackupOutcome::Result::AlreadyThere;
            return outcome;
        }

        std::unique_ptr<PendingFile> copy = CopyMakingRoom(ledgerPath, day, busyTimeoutMs, outcome);
        BackupProof proof;
        try {
            proof = ProveTwiceIfDamaged(copy->path(), stop);
        } catch (const LedgerError& error) {
            throw LedgerError::During(LedgerStep::ProvingBackup, ledgerPath, error);
        }
        if (!proof.whole) {
            copy.reset();
            outcome.result = BackupOutcome::Result::LedgerDamaged;
            outcome.damage = proof;
            outcome.latestGoodBackup = LatestGoodBackup(ledgerPath, day).value_or(QString());
        } else {
            CheckWritten(copy->renameOver(outcome.path), outcome.path);
            SyncToDisk(BackupFolderFor(ledgerPath));
            outcome.result = BackupOutcome::Result::Made;
            outcome.unremoved = RemoveOldBackups(ledgerPath, day);
        }
    } catch (const LedgerError& failure) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.failure = failure.step() == LedgerStep::Using
                              ? LedgerError::During(LedgerStep::BackingUp, outcome.path, failure)
                              : failure;
    } catch (const std::exception& error) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.failure =
            LedgerError::Failed(LedgerStep::BackingUp, outcome.path, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.failure = LedgerError::Failed(LedgerStep::BackingUp, outcome.path);
    }
    return outcome;
}
