#include "ui/toolkit/ShellOpen.h"

#include <QDesktopServices>

namespace {

ShellOpenSeam* liveSeam = nullptr;

} // namespace

ShellOpenSeam::ShellOpenSeam() : outer_(liveSeam)
{
    liveSeam = this;
}

ShellOpenSeam::~ShellOpenSeam()
{
    liveSeam = outer_;
}

void ShellOpen(const QUrl& address)
{
    if (liveSeam) {
        liveSeam->opened_.push_back(address);
        return;
    }
    QDesktopServices::openUrl(address);
}
