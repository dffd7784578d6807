#include "ui/words/StartWords.h"

#include "ui/words/FailureWords.h"
#include "ui/words/Reasons.h"

#include <QFileInfo>

namespace {

const QString Unguarded = QStringLiteral("le registre n'est pas protégé contre un second lancement.");

} // namespace

QString UnreadableFolderMessage()
{
    return QStringLiteral("Quentaril ne peut pas lire le nom du dossier où il se trouve (il contient des caractères "
                          "que le système ne sait pas écrire), et son registre BDPLORN.mdb doit être dans ce "
                          "dossier.\r\nDéplacez le programme et son registre dans un dossier au nom ordinaire, puis "
                          "relancez-le.");
}

QString ReadingModeRefusal()
{
    return QStringLiteral(
        "Quentaril : ce mode est réservé à la conversion d'un registre Access par le programme lui-même.\n");
}

QString AlreadyOpenMessage(const QString& ledgerPath)
{
    return QStringLiteral("Le registre %1 est déjà ouvert dans un autre Quentaril, qui ne répond pas.\r\n"
                          "Fermez cet autre Quentaril, puis relancez le programme.")
        .arg(ShownPath(QFileInfo(ledgerPath).absoluteFilePath()));
}

QString GuardFolderNotMade(const QString& folder, int error)
{
    return QStringLiteral("Quentaril: le dossier %1 ne peut pas être créé (%2) ; %3\n")
        .arg(ShownPath(folder), SystemReason(error), Unguarded);
}

QString GuardFolderNotOwned(const QString& folder)
{
    return QStringLiteral("Quentaril: %1 n'est pas un dossier qui vous appartient ; %2\n")
        .arg(ShownPath(folder), Unguarded);
}

QString GuardFolderNotPrivate(const QString& folder, int error)
{
    return QStringLiteral("Quentaril: le dossier %1 ne peut pas être réservé à vous seul (%2) ; %3\n")
        .arg(ShownPath(folder), SystemReason(error), Unguarded);
}

QString NotListening(const QString& path, const QString& ownWords)
{
    return QStringLiteral("Quentaril: %1 : %2\n").arg(ShownPath(path), ownWords);
}

QString LockNotMade(const QString& path)
{
    return QStringLiteral("Quentaril: %1 ne peut pas être créé ; %2\n").arg(ShownPath(path), Unguarded);
}

QString DataFolderUnnamed()
{
    return QStringLiteral("Quentaril ne trouve pas le dossier de vos données, où il garde votre registre : ni "
                          "XDG_DATA_HOME ni HOME ne désignent un dossier par un chemin complet que le système sait "
                          "écrire.\r\nCorrigez ces variables d'environnement, puis relancez le programme.");
}

QString DataFolderNotMade(const QString& folder, int error)
{
    return QStringLiteral("Quentaril ne peut pas créer le dossier %1, où il garde votre registre (%2).")
        .arg(ShownPath(folder), SystemReason(error));
}

QString DataFolderNotYours(const QString& folder)
{
    return QStringLiteral("%1, où Quentaril garde votre registre, n'est pas un dossier qui vous appartient : "
                          "Quentaril ne l'utilise pas, car un autre que vous pourrait y lire ou y remplacer votre "
                          "registre.\r\nMettez à sa place un dossier à vous, puis relancez le programme.")
        .arg(ShownPath(folder));
}

QString DataFolderNotPrivate(const QString& folder, int error)
{
    return QStringLiteral("Quentaril ne peut pas réserver à vous seul le dossier %1, où il garde votre registre (%2).")
        .arg(ShownPath(folder), SystemReason(error));
}

QString NewLedgerInDataFolder(const QString& path)
{
    return QStringLiteral("Bienvenue dans Quentaril.\r\nUn nouveau registre, vide, a été créé pour vous : %1\r\n"
                          "Ses sauvegardes quotidiennes iront dans le dossier BDPLORN-sauvegardes, à côté de lui.")
        .arg(ShownPath(path));
}

QString NewLedgerMade(const QString& path)
{
    return QStringLiteral("nouveau registre %1").arg(path);
}
