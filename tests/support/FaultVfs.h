#pragma once

#include <QString>

// A shim over the engine's default file layer that makes chosen operations fail the way a full disk, a
// write-protected file or a write-protected folder would, so those cases run as root too (root ignores
// file modes). While one is alive it is the engine's default layer; only one may live at a time, and
// every connection opened under it must be closed before it goes.
class FaultVfs {
public:
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
};
