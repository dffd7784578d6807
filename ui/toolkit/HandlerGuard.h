#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

class NobodyToAnswer;

// What the program does when a handler fails, and when an end asked from outside cannot keep the notes. The
// program decides; the windows are handed it once at start, through their guard.
class GuardPolicy {
public:
    virtual ~GuardPolicy() = default;
    // A handler let `failure` out. Called outside any catch block, since telling it opens a message box. The
    // program ends here; a policy of tests records the failure and returns.
    virtual void handlerFailed(std::exception_ptr failure) = 0;
    // The closing asked from outside could not save what the user typed, for `reason`, and no one is left to ask.
    virtual void endWithUnsavedNotes(const QString& reason) = 0;
};

// The one guard every handler of the windows runs through: a failure never unwinds through Qt's event loop; it
// stops its handler and goes to the policy, without closing the windows (so no save runs on the way out).
//
// It also ends the program when asked from outside (a termination signal, the desktop session ending). A handler
// is never cut short: a message box open at that moment is closed with its safe answer (OK, or No for a question),
// the handler that opened it runs to its end, and only then do the windows close as their close boxes would,
// saving the notes. From then on no message box waits for anyone: each is answered at once with its safe answer
// and its text goes to standard error.
class HandlerGuard : public QObject {
    Q_OBJECT
public:
    explicit HandlerGuard(GuardPolicy& policy, QObject* parent = nullptr);
    ~HandlerGuard() override;

    // Returns whether the handler ran to its end: false only after a failure the policy did not end on.
    bool run(const std::function<void()>& handler);
    // The handler wrapped for connect(): each call runs it through run().
    template <typename Handler> auto guarded(Handler handler)
    {
        return [this, handler] {
            run(handler);
        };
    }

    // Asks for the end: the windows close now when no handler is running, else once the outermost one returns.
    void requestEnd();
    bool endRequested() const { return nobodyToAnswer_ != nullptr; }
    void endWithUnsavedNotes(const QString& reason) { policy_.endWithUnsavedNotes(reason); }

private:
    void handlerReturned();
    void closeWindows();

    GuardPolicy& policy_;
    int runningHandlers_ = 0;
    bool closePending_ = false;
    // Alive once the end is asked for.
    std::unique_ptr<NobodyToAnswer> nobodyToAnswer_;
};
