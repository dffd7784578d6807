#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QDateTime>

// The current local date and time.
QDateTime CurrentDateTime();

// Test seam: while one is alive, the clock stands still at the moment it was given.
class ClockSeam : public ScopedSeam<ClockSeam> {
public:
    explicit ClockSeam(const QDateTime& now) : now_(now) {}
    QDateTime now() const { return now_; }

private:
    QDateTime now_;
};
