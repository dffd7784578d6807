#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QString>
#include <QStringList>
#include <functional>

// Every event handler runs through RunGuarded: a failure never unwinds through Qt's event loop. It stops
// the handler, shows its message in an error box, and ends the program with a failure status, without
// closing the windows (so no save runs on the way out). Returns whether the handler ran to its end, which
// can be false only under the test seam.
bool RunGuarded(const std::function<void()>& handler);

// The handler wrapped for connect(): each call runs it through RunGuarded.
template <typename Handler> auto Guarded(Handler handler)
{
    return [handler] {
        RunGuarded(handler);
    };
}

// Test seam: while one is alive, a failure is recorded (after its message box, which goes through the
// message box seam) instead of ending the process.
class FailureSeam : public ScopedSeam<FailureSeam> {
public:
    bool failed() const { return !messages_.isEmpty(); }
    const QStringList& messages() const { return messages_; }

private:
    friend void ReportFailureAndEnd(const QString&);
    QStringList messages_;
};

// Shows the message and ends the program with a failure status (or records it under the seam).
void ReportFailureAndEnd(const QString& message);

// Work that must still be done when a failure ends the program, which ends it straight out (no destructor
// runs there): while a hook is alive, ReportFailureAndEnd runs its work just before the process ends, the
// hook made last first. The work must not throw. Not run under the failure seam, where nothing ends.
class FailureExitHook {
public:
    explicit FailureExitHook(std::function<void()> work);
    ~FailureExitHook();
    FailureExitHook(const FailureExitHook&) = delete;
    FailureExitHook& operator=(const FailureExitHook&) = delete;

private:
    friend void ReportFailureAndEnd(const QString&);
    std::function<void()> work_;
};
