#pragma once

#include <QLocale>

class QCoreApplication;

// The program's locale: the system's when its language is French (so fr_BE, fr_CA, fr_CH keep their own
// forms), French of France otherwise.
QLocale ProgramLocale(const QLocale& system);

// French whatever the desktop's language: the program's locale becomes the default (day and month names of the
// stamp), and Qt's own texts (message box buttons, context menus) are translated.
void InstallFrenchTranslations(QCoreApplication& app);
