#pragma once

#include <QObject>

class HandlerGuard;
class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, and the desktop session ending, ask the guard for the program's end: the windows
// close as their close boxes do, so that each window's closing work (saving the notes) runs before the process
// ends. The guard outlives it. One at a time in a process: the signals have one handler.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(HandlerGuard& guard, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};
