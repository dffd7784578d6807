#pragma once

#include <QtGlobal>

// The process's own I/O counts from /proc/self/io: bytes and calls through read and write, whatever the cache did.
struct ProcessIo {
    qint64 readBytes = 0;    // rchar
    qint64 writtenBytes = 0; // wchar
    qint64 readCalls = 0;    // syscr
    qint64 writeCalls = 0;   // syscw

    static ProcessIo now();
    ProcessIo operator-(const ProcessIo& earlier) const;
};
