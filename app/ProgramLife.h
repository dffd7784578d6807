#pragma once

#include "app/LedgerGuard.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/TerminationSignals.h"

#include <QString>
#include <cstdlib>
#include <exception>

class QApplication;

// The program from its start to its end, made once by RunProgram: one program per ledger, the termination
// signals, the guard every handler runs through, the main window and the day's backup, the event loop, and the
// exit status. What a failure does is decided here: the user is told, the words go to standard error too, the
// ledger is let go, and the process ends at once with a failure status, running no save on the way out.
class ProgramLife final : public GuardPolicy {
public:
    ProgramLife();
    ProgramLife(const ProgramLife&) = delete;
    ProgramLife& operator=(const ProgramLife&) = delete;

    // The main window on the ledger where the program's place says (see LedgerPlace.h), then the event loop. Returns
    // the exit status.
    int run(QApplication& app);

    // One program per ledger: holds the ledger at `ledgerPath`, or hands over to the program that holds it.
    LedgerGuard::Outcome holdLedger(const QString& ledgerPath);
    HandlerGuard& guard() { return guard_; }

    [[noreturn]] void handlerFailed(std::exception_ptr failure) override;
    void endWithUnsavedNotes(const QString& reason) override;

private:
    int showMainWindow(QApplication& app, const QString& ledgerFolder);

    HandlerGuard guard_{*this};
    TerminationSignals terminationSignals_{guard_};
    LedgerGuard ledgerGuard_;
    int endStatus_ = EXIT_SUCCESS;
};
