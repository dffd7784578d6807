#include "bench/ProcessIo.h"

#include <QFile>
#include <QList>

ProcessIo ProcessIo::now()
{
    ProcessIo counts;
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return counts;
    for (const QByteArray& line : io.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() != 2)
            continue;
        const qint64 value = fields[1].trimmed().toLongLong();
        if (fields[0] == "rchar")
            counts.readBytes = value;
        else if (fields[0] == "wchar")
            counts.writtenBytes = value;
        else if (fields[0] == "syscr")
            counts.readCalls = value;
        else if (fields[0] == "syscw")
            counts.writeCalls = value;
    }
    return counts;
}

ProcessIo ProcessIo::operator-(const ProcessIo& earlier) const
{
    return {readBytes - earlier.readBytes, writtenBytes - earlier.writtenBytes, readCalls - earlier.readCalls,
            writeCalls - earlier.writeCalls};
}
