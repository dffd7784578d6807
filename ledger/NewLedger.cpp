#include "ledger/NewLedger.h"

#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/SqliteHandles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

const QString WelcomeNote =
    QStringLiteral("Bienvenue dans Quentaril !\r\n"
                   "\r\n"
                   "Pour commencer, inscrivez le nom d’une personne dans la case « Ajout : » en bas de la fenêtre, "
                   "puis appuyez sur Entrée.\r\n"
                   "Choisissez ensuite cette personne dans la liste et notez ses plorns ici. "
                   "Le bouton « Date et l’heure » ajoute la date du jour.\r\n");

namespace {

QString AlreadyThere(const QString& path)
{
    return QStringLiteral("Le fichier %1 existe déjà : il n'est pas remplacé.").arg(QDir::toNativeSeparators(path));
}

void SyncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void FillLedger(const QString& path)
{
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw);
    CheckEngine(db.get(), opened);
    const QByteArray key = LedgerPassword.toUtf8();
    CheckEngine(db.get(), sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size())));
    Execute(db.get(), "BEGIN");
    Execute(db.get(), "CREATE TABLE tblPlorn (NomPers TEXT NOT NULL UNIQUE, LesPlorns TEXT)");
    Statement(db.get(), "INSERT INTO tblPlorn (NomPers,LesPlorns) VALUES (?,?) ")
        .bind(ReservedPersonName)
        .bind(WelcomeNote)
        .run();
    Execute(db.get(), "COMMIT");
    CheckEngine(db.get(), sqlite3_close(db.release()));
}

} // namespace

void CreateNewLedger(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        throw LedgerError(AlreadyThere(path));

    // Built under a temporary name beside the target, then linked into place: a link never replaces an
    // existing file, so a ledger that appeared meanwhile is safe too.
    QTemporaryFile building(target.absolutePath() + QStringLiteral("/.BDPLORN-new-XXXXXX"));
    if (!building.open())
        throw LedgerError(QStringLiteral("Impossible de créer un fichier dans %1 : %2")
                              .arg(QDir::toNativeSeparators(target.absolutePath()), building.errorString()));
    building.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    building.close();

    FillLedger(building.fileName());
    SyncPath(building.fileName(), O_RDONLY);

    if (::link(QFile::encodeName(building.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        if (errno == EEXIST)
            throw LedgerError(AlreadyThere(path));
        throw LedgerError(QStringLiteral("Impossible de créer %1 : %2")
                              .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))));
    }
    SyncPath(target.absolutePath(), O_RDONLY | O_DIRECTORY);
}
