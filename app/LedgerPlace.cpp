#include "app/LedgerPlace.h"

#include <QFile>
#include <pwd.h>
#include <unistd.h>

namespace {

bool IsSystemFolder(const QString& folder)
{
    return folder == QStringLiteral("/usr") || folder.startsWith(QStringLiteral("/usr/"));
}

// The folder named by `bytes` with `tail`, or empty when the name would not come back as it is written.
QString FolderOf(const QByteArray& bytes, const char* tail)
{
    if (!bytes.startsWith('/'))
        return {};
    QByteArray path = bytes;
    while (path.endsWith('/') && path.endsWith('/'))
        path.chop(1);
    path += tail;
    const QString decoded = QFile::decodeName(path);
    return QFile::encodeName(decoded) == path ? decoded : QString();
}

} // namespace

LedgerPlace ChooseLedgerPlace(const QString& executableFolder, const QByteArray& xdgDataHome, const QByteArray& home)
{
    if (!IsSystemFolder(executableFolder))
        return {executableFolder, false};
    if (xdgDataHome.startsWith('/'))
        return {FolderOf(xdgDataHome, "/quentaril"), true};
    return {FolderOf(home, "/.local/share/quentaril"), true};
}

LedgerPlace LedgerPlaceFor(const QString& executableFolder)
{
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
            home = user->pw_dir;
    }
    return ChooseLedgerPlace(executableFolder, qgetenv("XDG_DATA_HOME"), home);
}
