#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QUrl>
#include <functional>
#include <vector>

class QObject;

// Hands an address to the desktop's browser and returns at once. `notOpened` runs, unless `context` is gone by
// then, when no browser could be started: at once, or a moment later when the desktop's opener reports it found
// none (what the browser then does with the address is not known).
void ShellOpen(const QUrl& address, QObject* context = nullptr, std::function<void()> notOpened = {});

// Test seam: while one is alive, addresses are recorded instead of opened, and the desktop answers as told.
class ShellOpenSeam : public ScopedSeam<ShellOpenSeam> {
public:
    const std::vector<QUrl>& opened() const { return opened_; }
    void answerNoBrowser() { started_ = false; }

private:
    friend void ShellOpen(const QUrl&, QObject*, std::function<void()>);
    std::vector<QUrl> opened_;
    bool started_ = true;
};
