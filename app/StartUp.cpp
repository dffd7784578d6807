#include "app/StartUp.h"

#include "app/JetReadingProcess.h"
#include "app/ProgramLife.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetConversion.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/words/ConversionWords.h"

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

std::unique_ptr<frmPlorn> OpenMainWindow(const QString& ledgerFolder, HandlerGuard& guard)
{
    std::unique_ptr<frmPlorn> window;
    const bool loaded = guard.run([&] {
        ConvertOldLedger(ledgerFolder);
        window = std::make_unique<frmPlorn>(ledgerFolder, guard);
        window->Form_Load();
    });
    if (!loaded)
        window.reset();
    return window;
}

int RunProgram(QApplication& app)
{
    ProgramLife life;
    return life.run(app);
}
