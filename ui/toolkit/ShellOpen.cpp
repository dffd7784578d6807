#include "ui/toolkit/ShellOpen.h"

#include <QDesktopServices>

void ShellOpen(const QUrl& address)
{
    if (ShellOpenSeam* liveSeam = ShellOpenSeam::live()) {
        liveSeam->opened_.push_back(address);
        return;
    }
    QDesktopServices::openUrl(address);
}
