#include "ledger/LedgerBackup.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// A step that failed, with the whole French reason.
struct BackupFailure {
    QString reason;
};

// How much of the ledger is read and written at a time.
constexpr qint64 ChunkBytes = 1 << 20;

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The system's message for `error`; strerror_r, since the backup runs beside other threads.
QString SystemMessage(int error)
{
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

BackupFailure SystemFailure(const QString& what, const QString& path, int error)
{
    return {what.arg(Shown(path), SystemMessage(error))};
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

// The copy being written, under a temporary name in the backup folder; removed unless renamed into place.
class DraftCopy {
public:
    DraftCopy(const QString& folder, const QString& target)
    {
        QByteArray name =
            QFile::encodeName(QDir(folder).filePath(QStringLiteral(".%1-XXXXXX").arg(QFileInfo(target).fileName())));
        fd_ = CreateUniqueFile(name);
        if (fd_ < 0) {
            const int error = errno;
            throw SystemFailure(
                QStringLiteral("Impossible de créer un fichier dans le dossier des sauvegardes %1 (%2)."), folder,
                error);
        }
        path_ = QFile::decodeName(name);
    }
    ~DraftCopy()
    {
        if (!placed_)
            discard();
    }
    DraftCopy(const DraftCopy&) = delete;
    DraftCopy& operator=(const DraftCopy&) = delete;

    // Returns the system's error number, 0 when all went.
    int write(const char* bytes, qint64 size)
    {
        const int error = WriteFileAt(fd_, path_, written_, QByteArrayView(bytes, size));
        written_ += size;
        return error;
    }

    // Syncs and closes the copy, then renames it over `target`.
    void place(const QString& target)
    {
        int error = SyncFile(fd_, path_);
        if (error == 0) {
            error = ::close(fd_) == 0 ? 0 : errno;
            fd_ = -1;
        }
        if (error == 0)
            error = RenameFile(path_, target);
        if (error != 0) {
            discard();
            throw SystemFailure(CannotWrite, target, error);
        }
        placed_ = true;
    }

private:
    void discard()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        RemoveFile(path_);
    }

    QString path_;
    int fd_ = -1;
    qint64 written_ = 0;
    bool placed_ = false;
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
    void copyInto(DraftCopy& draft, const QString& target)
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
            if (const int error = draft.write(buffer.data(), amount))
                throw SystemFailure(CannotWrite, target, error);
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

// Copies the ledger into the day's backup: LedgerError for the ledger's failures, BackupFailure for the
// copy's. The ledger is held still from before anything is made, so that a ledger that cannot be read
// leaves nothing behind, until its bytes are written: the copy is synced after, so that writers wait for
// the reading only.
void CopyLedger(const QString& ledgerPath, int busyTimeoutMs, const QString& folder, const QString& target)
{
    CommittedLedger ledger(ledgerPath, busyTimeoutMs);
    MakeBackupFolder(folder);
    DraftCopy draft(folder, target);
    ledger.copyInto(draft, target);
    ledger.close();
    draft.place(target);
    SyncToDisk(folder);
}

// Removes the backups beyond the `kept` most recent; the day's one always stays. Returns what could not be
// removed, in French, or an empty text.
QString RemoveOldBackups(const QString& folder, QDate day, int kept)
{
    const QRegularExpression backupName(QStringLiteral("^BDPLORN-(\\d{4}-\\d{2}-\\d{2})\\.mdb$"));
    QList<std::pair<QDate, QString>> older;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort)) {
        const QRegularExpressionMatch match = backupName.match(name);
        if (!match.hasMatch())
            continue;
        const QDate date = QDate::fromString(match.captured(1), Qt::ISODate);
        if (date.isValid() && date != day)
            older.append({date, name});
    }
    std::sort(older.begin(), older.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    QStringList problems;
    bool removed = false;
    for (qsizetype i = std::max(kept, 1) - 1; i < older.size(); ++i) {
        const QString path = dir.filePath(older.at(i).second);
        const int error = RemoveFile(path);
        if (error == 0) {
            removed = true;
            continue;
        }
        problems << SystemFailure(QStringLiteral("L'ancienne sauvegarde %1 n'a pas pu être supprimée (%2)."), path,
                                  error)
                        .reason;
    }
    if (removed)
        SyncToDisk(folder);
    return problems.join(QLatin1Char(' '));
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

BackupOutcome MakeDailyBackup(const QString& ledgerPath, QDate day, int kept, int busyTimeoutMs) noexcept
{
    BackupOutcome outcome;
    try {
        if (!day.isValid()) {
            outcome.reason = QStringLiteral("Le registre %1 n'est pas sauvegardé (la date donnée n'est pas valide).")
                                 .arg(Shown(ledgerPath));
            return outcome;
        }
        outcome.path = BackupPathFor(ledgerPath, day);
        if (QFileInfo(outcome.path).isFile()) {
            outcome.result = BackupOutcome::Result::AlreadyThere;
            return outcome;
        }

        const QString folder = BackupFolderFor(ledgerPath);
        try {
            CopyLedger(ledgerPath, busyTimeoutMs, folder, outcome.path);
        } catch (const LedgerError& error) {
            throw BackupFailure{QStringLiteral("Impossible de lire le registre %1 pour le sauvegarder (%2).")
                                    .arg(Shown(ledgerPath), error.message())};
        }
        outcome.result = BackupOutcome::Result::Made;
        outcome.reason = RemoveOldBackups(folder, day, kept);
    } catch (const BackupFailure& failure) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.reason = failure.reason;
    } catch (const std::exception& error) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.reason = QStringLiteral("La sauvegarde %1 n'a pas pu être faite (%2).")
                             .arg(Shown(outcome.path), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        outcome.result = BackupOutcome::Result::Failed;
        outcome.reason =
            QStringLiteral("La sauvegarde %1 n'a pas pu être faite (erreur inconnue).").arg(Shown(outcome.path));
    }
    return outcome;
}
