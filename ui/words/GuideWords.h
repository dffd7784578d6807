#pragma once

#include <QString>
#include <QStringList>

// What the user reads about the user's guide, which F1 opens in the browser.

inline const QString GuideCommand = QStringLiteral("Guide d'utilisation");

// No browser could be started to show the guide, found at `path`.
QString GuideNotOpened(const QString& path);
// The guide is not where the program was installed with it: `places` are where it was looked for.
QString GuideMissing(const QStringList& places);
