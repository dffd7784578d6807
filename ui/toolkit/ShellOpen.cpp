#include "ui/toolkit/ShellOpen.h"

#include <QDesktopServices>

bool ShellOpen(const QUrl& address)
{
    if (ShellOpenSeam* liveSeam = ShellOpenSeam::live()) {
        liveSeam->opened_.push_back(address);
        return liveSeam->started_;
    }
    return QDesktopServices::openUrl(address);
}
