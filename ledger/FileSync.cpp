#include "ledger/FileSync.h"

#include "ledger/LedgerError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The test seam's watcher: process-wide by nature, since every thread's changes are watched.
std::atomic<FileChangeWatcher*> testWatcher{nullptr};

// Returns `result` for a call that succeeded, or the errno of one that failed.
int Outcome(int result)
{
    return result == 0 ? 0 : errno;
}

QByteArray Encoded(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

FileChangeWatcher* SetFileChangeWatcher(FileChangeWatcher* watcher)
{
    return testWatcher.exchange(watcher);
}

int SyncFile(int fd, const QString& path)
{
    FileChangeWatcher* watcher = testWatcher.load();
    if (const int injected = watcher ? watcher->syncFailure(path) : 0) {
        errno = injected;
        return injected;
    }
    int result = ::fsync(fd);
    while (result != 0 && errno == EINTR)
        result = ::fsync(fd);
    if (result != 0)
        return errno;
    if (watcher)
        watcher->synced(path);
    return 0;
}

void SyncToDisk(const QString& path)
{
    const int fd = ::open(Encoded(path).constData(), O_RDONLY | O_CLOEXEC);
    int error = fd < 0 ? errno : SyncFile(fd, path);
    if (fd >= 0)
        ::close(fd);
    if (error != 0)
        throw LedgerError::System(LedgerStep::Using, path, error);
}

int WriteFileAt(int fd, const QString& path, qint64 offset, QByteArrayView bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done),
                                         static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += written;
    }
    if (FileChangeWatcher* watcher = testWatcher.load())
        watcher->written(path, offset, bytes);
    return 0;
}

int CreateUniqueFile(QByteArray& pattern)
{
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    // mkostemp asks for 0600, from which the umask may take bits.
    if (::fchmod(fd, 0600) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.constData());
        errno = error;
        return -1;
    }
    if (FileChangeWatcher* watcher = testWatcher.load())
        watcher->created(QFile::decodeName(pattern));
    return fd;
}

int MakePrivateFolder(const QString& path)
{
    const QByteArray encoded = Encoded(path);
    if (::mkdir(encoded.constData(), 0700) != 0)
        return errno;
    if (FileChangeWatcher* watcher = testWatcher.load())
        watcher->created(path);
    // The umask may have taken bits away from 0700.
    return Outcome(::chmod(encoded.constData(), 0700));
}

int RenameFile(const QString& from, const QString& to)
{
    if (::rename(Encoded(from).constData(), Encoded(to).constData()) != 0)
        return errno;
    if (FileChangeWatcher* watcher = testWatcher.load())
        watcher->renamed(from, to);
    return 0;
}

int LinkFile(const QString& from, const QString& to)
{
    if (::link(Encoded(from).constData(), Encoded(to).constData()) != 0)
        return errno;
    if (FileChangeWatcher* watcher = testWatcher.load())
        watcher->linked(from, to);
    return 0;
}

int RemoveFile(const QString& path)
{
    if (::unlink(Encoded(path).constData()) != 0)
        return errno;
    if (FileChangeWatcher* watcher = testWatcher.load())
        watcher->removed(path);
    return 0;
}

PendingFile::PendingFile(const QString& pattern)
{
    QByteArray name = Encoded(pattern);
    fd_ = CreateUniqueFile(name);
    createError_ = fd_ < 0 ? errno : 0;
    path_ = QFile::decodeName(name);
}

PendingFile::~PendingFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!placed_ && createError_ == 0)
        RemoveFile(path_);
}

int PendingFile::append(QByteArrayView bytes)
{
    const int error = WriteFileAt(fd_, path_, written_, bytes);
    written_ += bytes.size();
    return error;
}

int PendingFile::finish()
{
    const int error = SyncFile(fd_, path_);
    const int closed = ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
    return error != 0 ? error : closed;
}

int PendingFile::renameOver(const QString& target)
{
    const int error = RenameFile(path_, target);
    placed_ = error == 0;
    return error;
}

void RemoveLeftovers(const QString& folder, const QRegularExpression& leftover)
{
    const QDir dir(folder);
    bool removed = false;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        const QString path = dir.filePath(name);
        struct stat status {};
        if (leftover.match(name).hasMatch() && ::lstat(Encoded(path).constData(), &status) == 0 &&
            S_ISREG(status.st_mode))
            removed = RemoveFile(path) == 0 || removed;
    }
    if (removed)
        SyncToDisk(folder);
}
