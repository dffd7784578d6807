#include "ui/toolkit/Clock.h"

QDateTime CurrentDateTime()
{
    if (const ClockSeam* seam = ClockSeam::live())
        return seam->now();
    return QDateTime::currentDateTime();
}
