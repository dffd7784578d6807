#include "app/DailyBackup.h"

#include "ledger/LedgerBackup.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/MessageBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QWidget>

DailyBackup::DailyBackup(const QString& ledgerPath, QWidget* window) : ledgerPath_(ledgerPath)
{
    if (window)
        window->installEventFilter(this);
    else
        start();
}

DailyBackup::~DailyBackup()
{
    if (thread_)
        thread_->wait();
}

bool DailyBackup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Once this paint is done.
        QMetaObject::invokeMethod(this, &DailyBackup::start, Qt::QueuedConnection);
    }
    return false;
}

void DailyBackup::start()
{
    if (thread_)
        return;
    const QDate today = CurrentDateTime().date();
    thread_.reset(QThread::create([ledgerPath = ledgerPath_, today] {
        const BackupOutcome outcome = MakeDailyBackup(ledgerPath, today);
        if (outcome.result != BackupOutcome::Result::Failed)
            return;
        const QString text = QStringLiteral("La sauvegarde du jour n'a pas pu être faite ; le registre lui-même "
                                            "n'a pas changé et vous pouvez continuer.\r\n%1")
                                 .arg(outcome.reason);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [text] {
                RunGuarded([&] { ShowMessage(nullptr, text, QStringLiteral("Quentaril"), MessageIcon::Error); });
            },
            Qt::QueuedConnection);
    }));
    thread_->start(QThread::LowPriority);
}
