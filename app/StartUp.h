#pragma once

#include <QString>
#include <memory>

class HandlerGuard;
class QApplication;
class frmPlorn;

// Everything before the main window is up, through `guard`: an old Access ledger converted once (and the user
// told), then the main window made and loaded on the ledger in `ledgerFolder`. Nothing when the load failed
// (possible only under a guard whose policy records failures: otherwise the program has ended).
std::unique_ptr<frmPlorn> OpenMainWindow(const QString& ledgerFolder, HandlerGuard& guard);

// The whole program once the application object exists (see ProgramLife). Returns the exit status.
int RunProgram(QApplication& app);
