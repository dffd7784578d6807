#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QRegularExpression;

// The program's own changes to files and folders, outside the engine (whose changes go through its file layer).
// Every one goes through here, so that a failed sync is never missed and a test can watch each change in order.
// Paths are given as the caller opened them; the calls other than SyncToDisk return 0 or the system's error
// number, and leave errno set to it.

// Syncs the file or folder at `path` to the disk; throws LedgerError naming it when that cannot be done: a file
// whose sync failed may not be on the disk, and nothing that relies on it may go ahead.
void SyncToDisk(const QString& path);
// Syncs the open file `fd`, known as `path`.
int SyncFile(int fd, const QString& path);
// Writes all of `bytes` into the open file `fd`, known as `path`, from `offset` on.
int WriteFileAt(int fd, const QString& path, qint64 offset, QByteArrayView bytes);
// Makes a new file, mode 0600 whatever the umask, from `pattern`, whose last six characters (XXXXXX) are replaced
// to make a free name; returns its descriptor (close-on-exec), or -1 with errno set.
int CreateUniqueFile(QByteArray& pattern);
// Makes a folder readable by its owner only, whatever the umask.
int MakePrivateFolder(const QString& path);
int RenameFile(const QString& from, const QString& to);
// Gives the file at `from` the name `to` as well; never replaces a file already there (EEXIST).
int LinkFile(const QString& from, const QString& to);
int RemoveFile(const QString& path);

// A new file written under a free temporary name, readable by its owner only, so that it can then take its place
// whole: removed when it goes unless it was renamed into place. Each step returns 0 or the system's error number.
class PendingFile {
public:
    // `pattern` ends in XXXXXX, which a free name replaces; error() says whether the file could be made.
    explicit PendingFile(const QString& pattern);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int error() const { return createError_; }
    QString path() const { return path_; }
    int append(QByteArrayView bytes);
    // Syncs and closes the file: only a file whose sync went through may take a place.
    int finish();
    int renameOver(const QString& target);

private:
    QString path_;
    int fd_ = -1;
    int createError_ = 0;
    qint64 written_ = 0;
    bool placed_ = false;
};

// Removes the regular files of `folder` whose whole names match `leftover` (what a write cut short left behind),
// then syncs the folder when any went. Only while this program holds the ledger, so that none is being written.
void RemoveLeftovers(const QString& folder, const QRegularExpression& leftover);

// Test seam: told of each change once it is made, from whichever thread made it. One at a time, process-wide.
class FileChangeWatcher {
public:
    virtual ~FileChangeWatcher() = default;
    virtual void created(const QString& /*path*/) {}
    virtual void written(const QString& /*path*/, qint64 /*offset*/, QByteArrayView /*bytes*/) {}
    // A file's content or a folder's names reached the disk.
    virtual void synced(const QString& /*path*/) {}
    virtual void renamed(const QString& /*from*/, const QString& /*to*/) {}
    virtual void linked(const QString& /*from*/, const QString& /*to*/) {}
    virtual void removed(const QString& /*path*/) {}
    // An error number that the sync of `path` fails with instead of being made; 0 to make it.
    virtual int syncFailure(const QString& /*path*/) { return 0; }
};
// Sets the watcher, or none with nullptr; returns the one it replaces.
FileChangeWatcher* SetFileChangeWatcher(FileChangeWatcher* watcher);
