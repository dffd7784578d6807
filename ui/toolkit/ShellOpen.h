#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QUrl>
#include <vector>

// Hands an address to the desktop's default browser and returns at once; the outcome is not examined.
void ShellOpen(const QUrl& address);

// Test seam: while one is alive, addresses are recorded instead of opened.
class ShellOpenSeam : public ScopedSeam<ShellOpenSeam> {
public:
    const std::vector<QUrl>& opened() const { return opened_; }

private:
    friend void ShellOpen(const QUrl&);
    std::vector<QUrl> opened_;
};
