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

QString NewLedgerMade(const QString& path)
{
    return QStringLiteral("nouveau registre %1").arg(path);
}
