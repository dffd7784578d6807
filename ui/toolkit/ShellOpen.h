#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QUrl>
#include <vector>

// Hands an address to the desktop's default browser and returns at once: false when no browser could be started
// (what the browser then does with the address is not known).
bool ShellOpen(const QUrl& address);

// Test seam: while one is alive, addresses are recorded instead of opened, and the desktop answers as told.
class ShellOpenSeam : public ScopedSeam<ShellOpenSeam> {
public:
    const std::vector<QUrl>& opened() const { return opened_; }
    void answerNoBrowser() { started_ = false; }

private:
    friend bool ShellOpen(const QUrl&);
    std::vector<QUrl> opened_;
    bool started_ = true;
};
