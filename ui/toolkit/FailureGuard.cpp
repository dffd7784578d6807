#include "ui/toolkit/FailureGuard.h"

#include "ui/toolkit/FailureText.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/ProgramEnd.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <utility>
#include <vector>

namespace {

std::vector<FailureExitHook*> liveHooks;

} // namespace

FailureExitHook::FailureExitHook(std::function<void()> work) : work_(std::move(work))
{
    liveHooks.push_back(this);
}

FailureExitHook::~FailureExitHook()
{
    std::erase(liveHooks, this);
}

bool RunGuarded(const std::function<void()>& handler)
{
    const HandlerScope running;
    QString message;
    try {
        handler();
        return true;
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("La mémoire manque : le programme doit se fermer. Les notes qui n'ont pas été "
                                 "enregistrées sont perdues.");
    } catch (const LedgerError& failure) {
        message = DescribeFailure(failure);
    } catch (const std::exception& failure) {
        message = QString::fromUtf8(failure.what());
    } catch (...) {
    }
    if (message.isEmpty())
        message = QStringLiteral("Une erreur inattendue s'est produite. Le programme va se fermer.");
    // Reported outside the catch block: the message box runs an event loop.
    ReportFailureAndEnd(message);
    return false;
}

void ReportFailureAndEnd(const QString& message)
{
    ShowMessage(QApplication::activeWindow(), message, QStringLiteral("Erreur"), MessageIcon::Error,
                MessageButtons::Ok);
    if (FailureSeam* liveSeam = FailureSeam::live()) {
        liveSeam->messages_.append(message);
        return;
    }
    std::fputs(qUtf8Printable(message + QLatin1Char('\n')), stderr);
    std::fflush(nullptr);
    for (auto hook = liveHooks.rbegin(); hook != liveHooks.rend(); ++hook)
        (*hook)->work_();
    // Straight out: closing the windows would run their unload handlers, and those save.
    std::_Exit(EXIT_FAILURE);
}
