#pragma once

#include <QString>
#include <memory>

class QApplication;
class frmPlorn;

// Everything before the main window is up, under the failure guard: an old Access ledger converted once (and
// the user told), then the main window made and loaded on the ledger in `ledgerFolder`. Nothing when the load
// failed (possible only under the failure guard's test seam: otherwise the program has ended).
std::unique_ptr<frmPlorn> OpenMainWindow(const QString& ledgerFolder);

// The whole program once the application object exists: French texts, the termination handling, the main
// window on the ledger beside the executable, then the event loop. Returns the exit status.
int RunProgram(QApplication& app);
