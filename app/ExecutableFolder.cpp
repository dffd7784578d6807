#include "app/ExecutableFolder.h"

#include <QFile>
#include <climits>
#include <unistd.h>

std::optional<QString> FolderOfExecutablePath(const QByteArray& executablePath)
{
    const qsizetype lastSlash = executablePath.lastIndexOf('/');
    if (lastSlash < 0)
        return std::nullopt;
    const QByteArray folder = lastSlash == 0 ? QByteArray("/") : executablePath.first(lastSlash);
    const QString decoded = QFile::decodeName(folder);
    if (QFile::encodeName(decoded) != folder)
        return std::nullopt;
    return decoded;
}

std::optional<QString> ExecutableFolder()
{
    QByteArray path(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || length >= path.size())
        return std::nullopt;
    path.truncate(length);
    return FolderOfExecutablePath(path);
}
