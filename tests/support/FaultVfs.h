#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sqlite3.h> // faults are given as the engine's result codes

// Told of each change the engine makes to a file through the shim, once the default layer has made it, on the
// engine's thread. Paths are the engine's full ones.
class EngineFileWatcher {
public:
    virtual ~EngineFileWatcher() = default;
    // The open made the file, which was not there.
    virtual void created(const char* path) = 0;
    virtual void written(const char* path, sqlite3_int64 offset, const void* bytes, int amount) = 0;
    virtual void truncated(const char* path, sqlite3_int64 size) = 0;
    // `folderToo`: the layer then synced the file's folder, as the unix layer does at the first sync of a journal
    // it was asked to create.
    virtual void synced(const char* path, bool folderToo) = 0;
    // `folderSynced`: the layer synced the folder after the removal, as the engine asked.
    virtual void deleted(const char* path, bool folderSynced) = 0;
};

// A shim over the engine's default file layer that makes chosen operations fail the way a full disk, a
// write-protected file or a write-protected folder would, so those cases run as root too (root ignores
// file modes), and that tells a watcher of every change it lets through. While one is alive it is the engine's
// default layer; only one may live at a time, and every connection opened under it must be closed before it goes.
class FaultVfs {
public:
    // The file operations the shim counts, and can make fail one at a time.
    enum class Operation { Open, Read, Write, Sync };

    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    // The file at `path` opens read-only, as a write-protected file does.
    void openReadOnly(const QString& path);
    // Journals cannot be created, as in a write-protected folder.
    void refuseJournals(bool refuse);
    // Every write and truncation fails with `resultCode` (SQLITE_FULL, SQLITE_IOERR_WRITE ...); 0 for none.
    void failWrites(int resultCode);

    // Counts from zero again and makes the `n`th call (1, 2 ...) of `operation`, on any file, fail with
    // `resultCode`; the calls before and after it go through. Replaces the fault armed before.
    void failNth(Operation operation, int n, int resultCode);
    // The same, but every call from the `n`th on fails, as when a disk gives out.
    void failFrom(Operation operation, int n, int resultCode);
    // No call fails any more through failNth or failFrom; the counts go on.
    void disarm();
    // Whether the armed call was reached.
    bool fired() const;

    // Calls of `operation` since the shim was made, last armed or last reset.
    int count(Operation operation) const;
    void resetCounts();

    // Keeps a copy of every byte written through the shim and the names of the files written, from now on.
    void recordWrites(bool record);
    QByteArray writtenBytes() const;
    QStringList writtenFiles() const;

    // Tells `watcher` of every change from now on; nullptr for none.
    void watch(EngineFileWatcher* watcher);
};
