#include "app/DailyBackup.h"

#include "ledger/LedgerBackup.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/words/BackupWords.h"

#include <QEvent>
#include <QThread>
#include <QWidget>

DailyBackup::DailyBackup(const QString& ledgerPath, QWidget* window, HandlerGuard& guard)
    : ledgerPath_(ledgerPath), guard_(guard)
{
    if (window)
        window->installEventFilter(this);
    else
        start();
}

DailyBackup::~DailyBackup()
{
    stop_ = true;
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
    thread_.reset(QThread::create([this, today] {
        const BackupOutcome outcome = MakeDailyBackup(ledgerPath_, today, Ledger::DefaultBusyTimeoutMs, &stop_);
        if (stop_)
            return;
        switch (outcome.result) {
        case BackupOutcome::Result::Made:
        case BackupOutcome::Result::AlreadyThere:
            if (const QString notice = RoomNotice(outcome); !notice.isEmpty())
                tellLater(notice, MessageIcon::Information);
            break;
        case BackupOutcome::Result::LedgerDamaged:
            QMetaObject::invokeMethod(
                this,
                [this, found = BackupReason(outcome), latest = outcome.latestGoodBackup] {
                    Q_EMIT ledgerDamaged(found, latest);
                },
                Qt::QueuedConnection);
            break;
        case BackupOutcome::Result::Failed:
            tellLater(BackupFailedMessage(outcome), MessageIcon::Error);
            break;
        }
    }));
    thread_->start(QThread::LowPriority);
}

// Tells the user once, from the program's thread, while the backup lives.
void DailyBackup::tellLater(const QString& text, MessageIcon icon)
{
    QMetaObject::invokeMethod(
        this,
        [this, text, icon] { guard_.run([&] { ShowMessage(nullptr, text, QStringLiteral("Quentaril"), icon); }); },
        Qt::QueuedConnection);
}
