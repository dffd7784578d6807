#include "ui/words/WindowWords.h"

QString SiteLinkDescription(const QString& siteAddress)
{
    return QStringLiteral("Lien : ouvre %1 dans le navigateur.").arg(siteAddress);
}

QString MakerLinkName(const QString& makerName)
{
    return QStringLiteral("Auteur : %1").arg(makerName);
}
