#include "ui/toolkit/ShellOpen.h"

#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

void ShellOpen(const QUrl& address, QObject* context, std::function<void()> notOpened)
{
    const auto tellNotOpened = [notOpened = std::move(notOpened), watched = QPointer<QObject>(context),
                                hadContext = context != nullptr] {
        if (notOpened && (!hadContext || watched))
            notOpened();
    };
    if (ShellOpenSeam* liveSeam = ShellOpenSeam::live()) {
        liveSeam->opened_.push_back(address);
        if (!liveSeam->started_)
            tellNotOpened();
        return;
    }
    // Qt reports success once xdg-open has started, even when it then finds no browser: its status tells.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(address))
            tellNotOpened();
        return;
    }
    // Never given a parent nor deleted while it runs: deleting a QProcess kills its program, and in a bare X
    // session xdg-open waits for the browser it started.
    auto* process = new QProcess;
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, tellNotOpened](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         tellNotOpened();
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, tellNotOpened](int status, QProcess::ExitStatus how) {
                         // Any status but 0 means no browser took the address (xdg-open tries them all first).
                         if (how != QProcess::NormalExit || status != 0)
                             tellNotOpened();
                         process->deleteLater();
                     });
    process->start(opener, {address.isLocalFile() ? address.toLocalFile() : address.toString(QUrl::FullyEncoded)});
}
