#include "ui/toolkit/TerminationSignals.h"

#include "ui/toolkit/HandlerGuard.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may only write a byte; the event loop reads it and does the real work. Process-wide, as the
// signal handler is.
int signalSockets[2] = {-1, -1};
constexpr int HandledSignals[] = {SIGTERM, SIGHUP, SIGINT};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(HandlerGuard& guard, QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0)
        return;
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [&guard] {
        char bytes[16];
        while (::read(signalSockets[1], bytes, sizeof bytes) > 0) {
        }
        guard.requestEnd();
    });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : HandledSignals)
        ::sigaction(signal, &action, nullptr);

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [&guard](QSessionManager&) { guard.requestEnd(); });
}

TerminationSignals::~TerminationSignals()
{
    for (const int signal : HandledSignals)
        ::signal(signal, SIG_DFL);
    if (signalSockets[0] >= 0) {
        ::close(signalSockets[0]);
        ::close(signalSockets[1]);
        signalSockets[0] = signalSockets[1] = -1;
    }
}
