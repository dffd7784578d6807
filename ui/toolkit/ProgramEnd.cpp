#include "ui/toolkit/ProgramEnd.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

bool endRequested = false;
int endStatus = EXIT_SUCCESS;
bool closePending = false;
int runningHandlers = 0;

// A box's safe answer: the button Escape presses (OK, or No on a question).
void CloseOpenBoxes()
{
    for (int attempts = 0; attempts < 16; ++attempts) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box && box->escapeButton())
            box->escapeButton()->click();
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

void CloseWindows()
{
    closePending = false;
    QApplication::closeAllWindows();
}

} // namespace

void RequestProgramEnd()
{
    endRequested = true;
    CloseOpenBoxes();
    if (runningHandlers > 0)
        closePending = true;
    else
        CloseWindows();
}

bool ProgramEndRequested()
{
    return endRequested;
}

void EndWithUnsavedNotes(const QString& reason)
{
    std::fputs(qUtf8Printable(QStringLiteral("Quentaril : les notes n'ont pas pu être enregistrées avant la "
                                             "fermeture.\n%1\n")
                                  .arg(reason)),
               stderr);
    std::fflush(stderr);
    endStatus = EXIT_FAILURE;
}

int ProgramEndStatus()
{
    return endStatus;
}

HandlerScope::HandlerScope()
{
    ++runningHandlers;
}

HandlerScope::~HandlerScope()
{
    if (--runningHandlers == 0 && closePending)
        // Queued, so that the stack of the handler that has just returned is gone first.
        QTimer::singleShot(0, qApp, [] {
            if (closePending)
                CloseWindows();
        });
}

void ResetProgramEnd()
{
    endRequested = false;
    closePending = false;
    endStatus = EXIT_SUCCESS;
}
