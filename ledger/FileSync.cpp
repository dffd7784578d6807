#include "ledger/FileSync.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

void SyncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
