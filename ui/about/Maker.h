#pragma once

#include <QString>
#include <QUrl>

// The maker, as the About window presents it.
inline const QString MakerName = QStringLiteral("Varnokel");
// Shown as written in the site link; a reserved example domain until the project has a site of its own.
inline const QString MakerSiteAddress = QStringLiteral("www.varnokel.example");
inline const QString RightsNotice = QStringLiteral("© 2026 Varnokel");

inline QUrl MakerSiteUrl()
{
    return QUrl(QStringLiteral("https://") + MakerSiteAddress + QLatin1Char('/'));
}
