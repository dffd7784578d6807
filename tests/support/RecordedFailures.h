#pragma once

#include "ui/toolkit/HandlerGuard.h"

#include <QStringList>
#include <cstdlib>

// The windows' guard for tests: a failure is told as the program tells it (its error box goes through the message
// box seam), then recorded instead of ending the test; so is an end that could not save the notes.
class RecordedFailures final : public GuardPolicy {
public:
    HandlerGuard& guard() { return guard_; }

    bool failed() const { return !messages_.isEmpty(); }
    // What the user was told of each failure.
    const QStringList& messages() const { return messages_; }
    // The status the program would end with.
    int endStatus() const { return endStatus_; }

    void handlerFailed(std::exception_ptr failure) override;
    void endWithUnsavedNotes(const QString& reason) override;

private:
    QStringList messages_;
    int endStatus_ = EXIT_SUCCESS;
    HandlerGuard guard_{*this};
};
