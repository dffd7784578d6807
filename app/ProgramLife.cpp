#include "app/ProgramLife.h"

#include "app/DailyBackup.h"
#include "app/ExecutableFolder.h"
#include "app/FailureReport.h"
#include "app/LedgerPlace.h"
#include "app/StartUp.h"
#include "app/UserLedgerFolder.h"
#include "ledger/LedgerFile.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/Translations.h"
#include "ui/words/EndWords.h"
#include "ui/words/StartWords.h"

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>
#include <cstdio>

ProgramLife::ProgramLife() = default;

int ProgramLife::run(QApplication& app)
{
    InstallFrenchTranslations(app);
    const std::optional<QString> executableFolder = ExecutableFolder();
    if (!executableFolder) {
        ShowMessage(nullptr, UnreadableFolderMessage(), QStringLiteral("Quentaril"), MessageIcon::Error);
        return EXIT_FAILURE;
    }
    const LedgerPlace place = LedgerPlaceFor(*executableFolder);
    const QString refusal = place.folder.isEmpty() ? DataFolderUnnamed()
                            : place.inUserData     ? PrepareUserLedgerFolder(place.folder)
                                                   : QString();
    if (!refusal.isEmpty()) {
        ShowMessage(nullptr, refusal, QStringLiteral("Quentaril"), MessageIcon::Error);
        return EXIT_FAILURE;
    }
    switch (holdLedger(LedgerPathIn(place.folder))) {
    case LedgerGuard::Outcome::First:
        if (place.inUserData && !guard_.run([&] { MakeMissingLedger(place.folder); }))
            return EXIT_FAILURE;
        return showMainWindow(app, place.folder);
    case LedgerGuard::Outcome::HandedOver:
        return EXIT_SUCCESS;
    case LedgerGuard::Outcome::Unreachable:
        break;
    }
    return EXIT_FAILURE;
}

LedgerGuard::Outcome ProgramLife::holdLedger(const QString& ledgerPath)
{
    return ledgerGuard_.acquire(ledgerPath);
}

int ProgramLife::showMainWindow(QApplication& app, const QString& ledgerFolder)
{
    std::unique_ptr<frmPlorn> loaded = OpenMainWindow(ledgerFolder, guard_);
    if (!loaded)
        return EXIT_FAILURE;
    // Asked to end while a message box of the start-up was open: nothing has been typed yet.
    if (guard_.endRequested())
        return EXIT_SUCCESS;
    // Destroyed when it closes, or at the latest here, before the guard its handlers run through.
    const QPointer<frmPlorn> window = loaded.release();
    const auto destroyWindow = qScopeGuard([&window] { delete window.data(); });
    window->setAttribute(Qt::WA_DeleteOnClose);
    const DailyBackup backup(LedgerPathIn(ledgerFolder), window, guard_);
    QObject::connect(&backup, &DailyBackup::ledgerDamaged, window,
                     [this, shown = window.data()](const QString& found, const QString& latestGoodBackup) {
                         guard_.run([&] { shown->BackupFoundDamage(found, latestGoodBackup); });
                     });
    window->show();
    CentreOnScreen(window);
    QObject::connect(&ledgerGuard_, &LedgerGuard::raiseRequested, window, [shown = window.data()] {
        shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
        shown->show();
        shown->raise();
        shown->activateWindow();
    });
    const int status = app.exec();
    return status != EXIT_SUCCESS ? status : endStatus_;
}

void ProgramLife::handlerFailed(std::exception_ptr failure)
{
    const QString message = TellFailure(failure);
    std::fputs(qUtf8Printable(message + QLatin1Char('\n')), stderr);
    std::fflush(nullptr);
    // Nothing else runs on the way out: the lock files would stay behind.
    ledgerGuard_.release();
    // Straight out: closing the windows would run their unload handlers, and those save.
    std::_Exit(EXIT_FAILURE);
}

void ProgramLife::endWithUnsavedNotes(const QString& reason)
{
    std::fputs(qUtf8Printable(UnsavedAtTheEnd(reason)), stderr);
    std::fflush(stderr);
    endStatus_ = EXIT_FAILURE;
}
