// Quentaril: the main window on the ledger (beside the executable, or in the user's data folder for a program
// installed in the system), until the last window closes.

#include "ProgramIdentity.h"
#include "app/CoreDumps.h"
#include "app/JetReadingMode.h"
#include "app/StartUp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Started as the reading process of an old Access ledger, it reads, answers and ends here: no window.
    RunJetReadingModeIfAsked(argc, argv);
    DisableCoreDumps();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quentaril"));
    QApplication::setApplicationVersion(ProgramVersionText());
    return RunProgram(app);
}
