#include "ui/words/GuideWords.h"

QString GuideNotOpened(const QString& path)
{
    return QStringLiteral("Aucun navigateur n'a pu être ouvert pour afficher le guide d'utilisation.\r\n\r\n"
                          "Le guide se trouve ici :\r\n%1\r\n\r\nOuvrez ce fichier avec votre navigateur.")
        .arg(path);
}

QString GuideMissing(const QStringList& places)
{
    return QStringLiteral("Le guide d'utilisation est introuvable.\r\n\r\nIl devrait se trouver à l'un de ces "
                          "endroits :\r\n%1\r\n\r\nInstallez à nouveau Quentaril pour le remettre en place.")
        .arg(places.join(QStringLiteral("\r\n")));
}
