#include "ui/toolkit/HandlerGuard.h"

#include "ui/toolkit/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

namespace {

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

} // namespace

HandlerGuard::HandlerGuard(GuardPolicy& policy, QObject* parent) : QObject(parent), policy_(policy) {}

HandlerGuard::~HandlerGuard() = default;

bool HandlerGuard::run(const std::function<void()>& handler)
{
    ++runningHandlers_;
    const auto returned = qScopeGuard([this] { handlerReturned(); });
    std::exception_ptr failure;
    try {
        handler();
        return true;
    } catch (...) {
        failure = std::current_exception();
    }
    // Outside the catch block: telling the failure runs a message box's event loop.
    policy_.handlerFailed(failure);
    return false;
}

void HandlerGuard::requestEnd()
{
    if (!nobodyToAnswer_)
        nobodyToAnswer_ = std::make_unique<NobodyToAnswer>();
    CloseOpenBoxes();
    if (runningHandlers_ > 0)
        closePending_ = true;
    else
        closeWindows();
}

void HandlerGuard::handlerReturned()
{
    if (--runningHandlers_ == 0 && closePending_)
        // Queued, so that the stack of the handler that has just returned is gone first.
        QTimer::singleShot(0, this, [this] {
            if (closePending_)
                closeWindows();
        });
}

void HandlerGuard::closeWindows()
{
    closePending_ = false;
    QApplication::closeAllWindows();
}
