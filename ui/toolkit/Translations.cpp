#include "ui/toolkit/Translations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QTranslator>

QLocale ProgramLocale(const QLocale& system)
{
    return system.language() == QLocale::French ? system : QLocale(QLocale::French, QLocale::France);
}

void InstallFrenchTranslations(QCoreApplication& app)
{
    QLocale::setDefault(ProgramLocale(QLocale::system()));
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        qWarning("Qt's French translations (qtbase_fr.qm) were not found: Qt's own texts stay in English.");
}
