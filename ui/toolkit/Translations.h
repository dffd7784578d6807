#pragma once

class QCoreApplication;

// Qt's own texts (message box buttons, context menus) in French, whatever the system's language.
void InstallFrenchTranslations(QCoreApplication& app);
