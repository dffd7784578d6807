// Quentaril: the main window on the ledger beside the executable, until the last window closes.

#include "ProgramIdentity.h"
#include "app/CoreDumps.h"
#include "app/StartUp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    DisableCoreDumps();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quentaril"));
    QApplication::setApplicationVersion(ProgramVersionText());
    return RunProgram(app);
}
