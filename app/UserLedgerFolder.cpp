#include "app/UserLedgerFolder.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerFile.h"
#include "ledger/NewLedger.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/words/StartWords.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Lstat(const QString& path, struct stat& status)
{
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? 0 : errno;
}

} // namespace

QString PrepareUserLedgerFolder(const QString& folder)
{
    QStringList missing;
    struct stat status {};
    for (QString at = folder; Lstat(at, status) == ENOENT; at = QFileInfo(at).path())
        missing.prepend(at);
    for (const QString& made : missing) {
        // EEXIST: another start made it in the meantime; it is checked below as any other.
        if (const int error = MakePrivateFolder(made); error != 0 && error != EEXIST)
            return DataFolderNotMade(made, error);
    }

    const QByteArray encoded = QFile::encodeName(folder);
    if (const int error = Lstat(folder, status))
        return DataFolderNotMade(folder, error);
    if (S_ISLNK(status.st_mode) && status.st_uid != ::getuid())
        return DataFolderNotYours(folder);
    if (::stat(encoded.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid())
        return DataFolderNotYours(folder);
    if ((status.st_mode & 077) != 0 && ::chmod(encoded.constData(), 0700) != 0)
        return DataFolderNotPrivate(folder, errno);
    return {};
}

void MakeMissingLedger(const QString& folder)
{
    const QString path = LedgerPathIn(folder);
    struct stat status {};
    if (Lstat(path, status) != ENOENT)
        return;
    CreateNewLedger(path);
    ShowMessage(nullptr, NewLedgerInDataFolder(path), QStringLiteral("Quentaril"), MessageIcon::Information);
}
