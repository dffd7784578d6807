#include "ledger/LedgerFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

QString LedgerPathIn(const QString& folder)
{
    return QDir(folder).filePath(LedgerFileName);
}

QString ShownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString LastSystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

LedgerFileKind SniffLedgerFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LedgerFileKind::Missing;
    const QByteArray head = file.read(32);
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
