#include "ledger/LedgerFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString LedgerPathIn(const QString& folder)
{
    return QDir(folder).filePath(LedgerFileName);
}

LedgerFileKind SniffLedgerFile(const QString& path)
{
    // Opened without blocking and checked before any read: opening a named pipe would wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENXIO ? LedgerFileKind::NotRegular : LedgerFileKind::Missing;
    struct stat status {};
    QByteArray head(32, '\0');
    ssize_t read = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        read = ::read(fd, head.data(), head.size());
    ::close(fd);
    if (!S_ISREG(status.st_mode))
        return LedgerFileKind::NotRegular;
    if (read < 0)
        return LedgerFileKind::Missing;
    head.truncate(read);
    if (head.isEmpty())
        return LedgerFileKind::Empty;
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return LedgerFileKind::PlainSqlite;
    // A Jet header: four bytes of page signature, then the format's name.
    const QByteArray formatName = head.mid(4, 15);
    if (formatName == "Standard Jet DB" || formatName == "Standard ACE DB")
        return LedgerFileKind::Jet;
    return LedgerFileKind::Other;
}
