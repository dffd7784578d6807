#include "bench/OffscreenPlatform.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler QtsOwnHandler = nullptr;

void DropOffscreenNotices(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    QtsOwnHandler(type, context, message);
}

} // namespace

void UseQuietOffscreenPlatform()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QtsOwnHandler = qInstallMessageHandler(DropOffscreenNotices);
}
