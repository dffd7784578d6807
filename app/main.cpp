// Quentaril: starts the main window on the ledger beside the executable and runs until the last window
// closes.

#include "ProgramIdentity.h"
#include "app/LedgerGuard.h"
#include "ledger/LedgerFile.h"
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

    // --- One program per ledger (to be folded into the start-up step) ---
    // A second start on this ledger brings the first program's window to the front and ends here.
    LedgerGuard ledgerGuard;
    switch (ledgerGuard.acquire(LedgerPathIn(QCoreApplication::applicationDirPath()))) {
    case LedgerGuard::Outcome::First:
        break;
    case LedgerGuard::Outcome::HandedOver:
        return EXIT_SUCCESS;
    case LedgerGuard::Outcome::Unreachable:
        return EXIT_FAILURE;
    }
    // --- end ---

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

    // --- One program per ledger: the window comes to the front when another start knocks ---
    QObject::connect(&ledgerGuard, &LedgerGuard::raiseRequested, window, [window] {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    });
    // --- end ---
    return app.exec();
}
