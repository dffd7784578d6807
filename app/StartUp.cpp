#include "app/StartUp.h"

#include "app/DailyBackup.h"
#include "app/ExecutableFolder.h"
#include "app/JetConversionMessage.h"
#include "app/JetReadingProcess.h"
#include "app/LedgerGuard.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetConversion.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/ProgramEnd.h"
#include "ui/toolkit/TerminationSignals.h"
#include "ui/toolkit/Translations.h"

#include <QApplication>

namespace {

// A ledger in the Access format of earlier versions is converted once, before it is opened; the file itself is
// read by a second copy of the program. The ledger is held by now, so a draft beside it is a stopped one's.
void ConvertOldLedger(const QString& ledgerFolder)
{
    RemoveLeftoverDrafts(ledgerFolder);
    if (SniffLedgerFile(LedgerPathIn(ledgerFolder)) != LedgerFileKind::Jet)
        return;
    const JetConversionResult converted = ConvertJetLedger(ledgerFolder, JetReadingProcessReader());
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
    const std::optional<QString> executableFolder = ExecutableFolder();
    if (!executableFolder) {
        ShowMessage(nullptr,
                    QStringLiteral("Quentaril ne peut pas lire le nom du dossier où il se trouve (il contient des "
                                   "caractères que le système ne sait pas écrire), et son registre BDPLORN.mdb doit "
                                   "être dans ce dossier.\r\nDéplacez le programme et son registre dans un dossier au "
                                   "nom ordinaire, puis relancez-le."),
                    QStringLiteral("Quentaril"), MessageIcon::Error);
        return EXIT_FAILURE;
    }
    const QString ledgerFolder = *executableFolder;

    // A second start on this ledger brings the first program's window to the front and ends here.
    LedgerGuard ledgerGuard;
    switch (ledgerGuard.acquire(LedgerPathIn(ledgerFolder))) {
    case LedgerGuard::Outcome::First:
        break;
    case LedgerGuard::Outcome::HandedOver:
        return EXIT_SUCCESS;
    case LedgerGuard::Outcome::Unreachable:
        return EXIT_FAILURE;
    }

    std::unique_ptr<frmPlorn> window = OpenMainWindow(ledgerFolder);
    if (!window)
        return EXIT_FAILURE;
    // Asked to end while a message box of the start-up was open: nothing has been typed yet.
    if (ProgramEndRequested())
        return EXIT_SUCCESS;
    frmPlorn* shown = window.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    const DailyBackup backup(LedgerPathIn(ledgerFolder), shown);
    QObject::connect(&backup, &DailyBackup::ledgerDamaged, shown,
                     [shown](const QString& found, const QString& latestGoodBackup) {
                         RunGuarded([&] { shown->BackupFoundDamage(found, latestGoodBackup); });
                     });
    shown->show();
    CentreOnScreen(shown);
    QObject::connect(&ledgerGuard, &LedgerGuard::raiseRequested, shown, [shown] {
        shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
        shown->show();
        shown->raise();
        shown->activateWindow();
    });
    const int status = app.exec();
    return status != EXIT_SUCCESS ? status : ProgramEndStatus();
}
