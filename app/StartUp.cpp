#include "app/StartUp.h"

#include "app/JetConversionMessage.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetConversion.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/TerminationSignals.h"
#include "ui/toolkit/Translations.h"

#include <QApplication>

namespace {

// A ledger in the Access format of earlier versions is converted once, before it is opened.
void ConvertOldLedger(const QString& ledgerFolder)
{
    if (SniffLedgerFile(LedgerPathIn(ledgerFolder)) != LedgerFileKind::Jet)
        return;
    const JetConversionResult converted = ConvertJetLedger(ledgerFolder);
    ShowMessage(nullptr, DescribeJetConversion(converted), QStringLiteral("Quentaril"), MessageIcon::Information);
}

} // namespace

std::unique_ptr<frmPlorn> OpenMainWindow(const QString& ledgerFolder)
{
    std::unique_ptr<frmPlorn> window;
    const bool loaded = RunGuarded([&] {
        ConvertOldLedger(ledgerFolder);
        window = std::make_unique<frmPlorn>(ledgerFolder);
        window->Form_Load();
    });
    if (!loaded)
        window.reset();
    return window;
}

int RunProgram(QApplication& app)
{
    InstallFrenchTranslations(app);
    TerminationSignals terminationSignals;

    std::unique_ptr<frmPlorn> window = OpenMainWindow(QCoreApplication::applicationDirPath());
    // Asked to end while a message box of the start-up was open: nothing has been typed yet.
    if (!window || terminationSignals.requested())
        return EXIT_SUCCESS;
    frmPlorn* shown = window.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->show();
    CentreOnScreen(shown);
    return app.exec();
}
