// Quentaril: starts the main window on the ledger beside the executable and runs until the last window
// closes.

#include "ProgramIdentity.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/TerminationSignals.h"
#include "ui/toolkit/Translations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quentaril"));
    QApplication::setApplicationVersion(ProgramVersionText());
    InstallFrenchTranslations(app);
    TerminationSignals terminationSignals;

    auto* window = new frmPlorn(QCoreApplication::applicationDirPath());
    window->setAttribute(Qt::WA_DeleteOnClose);
    RunGuarded([window] { window->Form_Load(); });
    // Asked to end while a message box of the start-up was open: nothing has been typed yet.
    if (terminationSignals.requested()) {
        delete window;
        return EXIT_SUCCESS;
    }
    window->show();
    CentreOnScreen(window);
    return app.exec();
}
