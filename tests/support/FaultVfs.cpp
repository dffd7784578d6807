#include "support/FaultVfs.h"

#include <QByteArray>
#include <QFileInfo>
#include <array>
#include <cstring>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using Operation = FaultVfs::Operation;

struct Faults {
    QByteArray readOnlyPath;
    bool refuseJournals = false;
    int failWrites = 0;

    std::array<int, 4> counts{};
    Operation armed = Operation::Open;
    int failAt = 0; // 0: nothing armed
    bool failAfter = false;
    int failWith = SQLITE_OK;
    bool fired = false;

    bool recording = false;
    QByteArray written;
    QStringList writtenFiles;

    EngineFileWatcher* watcher = nullptr;
};

Faults faults;
sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs shimVfs;

// The real file lives right behind the shim's header in the block the engine allocates.
struct ShimFile {
    sqlite3_file base;
    const char* name; // the engine keeps the name alive as long as the file is open
    bool syncsFolder; // the default layer syncs the folder too at the next sync
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* Real(sqlite3_file* file)
{
    return reinterpret_cast<ShimFile*>(file)->real();
}

// Counts the call; the result code it must fail with when the armed fault covers it, else SQLITE_OK.
int Counted(Operation operation)
{
    const int count = ++faults.counts[static_cast<size_t>(operation)];
    if (faults.failAt == 0 || faults.armed != operation || count < faults.failAt)
        return SQLITE_OK;
    if (count > faults.failAt && !faults.failAfter)
        return SQLITE_OK;
    faults.fired = true;
    return faults.failWith;
}

void Record(sqlite3_file* f, const void* buffer, int amount)
{
    if (!faults.recording)
        return;
    faults.written.append(static_cast<const char*>(buffer), amount);
    const char* name = reinterpret_cast<ShimFile*>(f)->name;
    const QString file = name ? QString::fromUtf8(name) : QString();
    if (!faults.writtenFiles.contains(file))
        faults.writtenFiles.append(file);
}

// The watcher to tell of a change to this file; none for the engine's nameless temporary files.
EngineFileWatcher* WatcherOf(sqlite3_file* f)
{
    return reinterpret_cast<ShimFile*>(f)->name ? faults.watcher : nullptr;
}

int Close(sqlite3_file* f)
{
    return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset)
{
    if (const int fault = Counted(Operation::Read))
        return fault;
    return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset)
{
    if (faults.failWrites != 0)
        return faults.failWrites;
    if (const int fault = Counted(Operation::Write))
        return fault;
    Record(f, buffer, amount);
    const int result = Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
    if (EngineFileWatcher* watcher = WatcherOf(f); watcher && result == SQLITE_OK)
        watcher->written(reinterpret_cast<ShimFile*>(f)->name, offset, buffer, amount);
    return result;
}
int Truncate(sqlite3_file* f, sqlite3_int64 size)
{
    if (faults.failWrites != 0)
        return faults.failWrites;
    const int result = Real(f)->pMethods->xTruncate(Real(f), size);
    if (EngineFileWatcher* watcher = WatcherOf(f); watcher && result == SQLITE_OK)
        watcher->truncated(reinterpret_cast<ShimFile*>(f)->name, size);
    return result;
}
int Sync(sqlite3_file* f, int flags)
{
    if (const int fault = Counted(Operation::Sync))
        return fault;
    const int result = Real(f)->pMethods->xSync(Real(f), flags);
    if (result != SQLITE_OK)
        return result;
    // The default layer syncs the folder then, once, and does not tell whether that worked: on a sound disk it
    // has.
    auto* shim = reinterpret_cast<ShimFile*>(f);
    if (EngineFileWatcher* watcher = WatcherOf(f))
        watcher->synced(shim->name, shim->syncsFolder);
    shim->syncsFolder = false;
    return result;
}
int FileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level)
{
    return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level)
{
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out)
{
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg)
{
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f)
{
    return Real(f)->pMethods->xSectorSize(Real(f));
}
int DeviceCharacteristics(sqlite3_file* f)
{
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out)
{
    return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f)
{
    Real(f)->pMethods->xShmBarrier(Real(f));
}
int ShmUnmap(sqlite3_file* f, int deleteFlag)
{
    return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out)
{
    return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page)
{
    return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

const sqlite3_io_methods shimMethods = {3,
                                        Close,
                                        Read,
                                        Write,
                                        Truncate,
                                        Sync,
                                        FileSize,
                                        Lock,
                                        Unlock,
                                        CheckReservedLock,
                                        FileControl,
                                        SectorSize,
                                        DeviceCharacteristics,
                                        ShmMap,
                                        ShmLock,
                                        ShmBarrier,
                                        ShmUnmap,
                                        Fetch,
                                        Unfetch};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    if (faults.refuseJournals && (flags & SQLITE_OPEN_MAIN_JOURNAL))
        return SQLITE_CANTOPEN;
    if (name && !faults.readOnlyPath.isEmpty() && faults.readOnlyPath == name && (flags & SQLITE_OPEN_READWRITE))
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;

    auto* shim = reinterpret_cast<ShimFile*>(file);
    shim->name = name;
    // As the unix layer decides it: a journal it is asked to create has its folder synced at its first sync.
    shim->syncsFolder = (flags & SQLITE_OPEN_CREATE) &&
                        (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_MASTER_JOURNAL | SQLITE_OPEN_WAL));
    if (const int fault = Counted(Operation::Open)) {
        shim->base.pMethods = nullptr;
        return fault;
    }
    const bool existed = name && ::access(name, F_OK) == 0;
    const int result = realVfs->xOpen(realVfs, name, shim->real(), flags, outFlags);
    shim->base.pMethods = shim->real()->pMethods ? &shimMethods : nullptr;
    if (result == SQLITE_OK && name && !existed && (flags & SQLITE_OPEN_CREATE) && faults.watcher)
        faults.watcher->created(name);
    return result;
}

int Delete(sqlite3_vfs*, const char* name, int syncFolder)
{
    const int result = realVfs->xDelete(realVfs, name, syncFolder);
    if (result == SQLITE_OK && faults.watcher)
        faults.watcher->deleted(name, (syncFolder & 1) != 0);
    return result;
}

} // namespace

FaultVfs::FaultVfs()
{
    faults = Faults();
    realVfs = sqlite3_vfs_find(nullptr);
    shimVfs = *realVfs;
    shimVfs.zName = "quentaril-faults";
    shimVfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + realVfs->szOsFile;
    shimVfs.xOpen = Open;
    shimVfs.xDelete = Delete;
    shimVfs.pNext = nullptr;
    sqlite3_vfs_register(&shimVfs, 1);
}

FaultVfs::~FaultVfs()
{
    sqlite3_vfs_unregister(&shimVfs);
    sqlite3_vfs_register(realVfs, 1);
    faults = Faults();
}

void FaultVfs::openReadOnly(const QString& path)
{
    // The engine opens files by their full path.
    faults.readOnlyPath = QFileInfo(path).absoluteFilePath().toUtf8();
}

void FaultVfs::refuseJournals(bool refuse)
{
    faults.refuseJournals = refuse;
}

void FaultVfs::failWrites(int resultCode)
{
    faults.failWrites = resultCode;
}

void FaultVfs::failNth(Operation operation, int n, int resultCode)
{
    resetCounts();
    faults.armed = operation;
    faults.failAt = n;
    faults.failWith = resultCode;
    faults.failAfter = false;
    faults.fired = false;
}

void FaultVfs::failFrom(Operation operation, int n, int resultCode)
{
    failNth(operation, n, resultCode);
    faults.failAfter = true;
}

void FaultVfs::disarm()
{
    faults.failAt = 0;
}

bool FaultVfs::fired() const
{
    return faults.fired;
}

int FaultVfs::count(Operation operation) const
{
    return faults.counts[static_cast<size_t>(operation)];
}

void FaultVfs::resetCounts()
{
    faults.counts = {};
}

void FaultVfs::recordWrites(bool record)
{
    faults.recording = record;
}

QByteArray FaultVfs::writtenBytes() const
{
    return faults.written;
}

QStringList FaultVfs::writtenFiles() const
{
    return faults.writtenFiles;
}

void FaultVfs::watch(EngineFileWatcher* watcher)
{
    faults.watcher = watcher;
}
