#include "app/DailyBackup.h"

#include "ledger/LedgerBackup.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/MessageBox.h"

#include <QEvent>
#include <QThread>
#include <QWidget>

namespace {

// Tells the user once, from the program's thread, while `context` lives.
void TellLater(QObject* context, const QString& text, MessageIcon icon)
{
    QMetaObject::invokeMethod(
        context, [text, icon] { RunGuarded([&] { ShowMessage(nullptr, text, QStringLiteral("Quentaril"), icon); }); },
        Qt::QueuedConnection);
}

} // namespace

DailyBackup::DailyBackup(const QString& ledgerPath, QWidget* window) : ledgerPath_(ledgerPath)
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
            if (!outcome.notice.isEmpty())
                TellLater(this, outcome.notice, MessageIcon::Information);
            break;
        case BackupOutcome::Result::LedgerDamaged:
            QMetaObject::invokeMethod(
                this,
                [this, found = outcome.reason, latest = outcome.latestGoodBackup] {
                    Q_EMIT ledgerDamaged(found, latest);
                },
                Qt::QueuedConnection);
            break;
        case BackupOutcome::Result::Failed:
            TellLater(this,
                      QStringLiteral("La sauvegarde du jour n'a pas pu être faite ; le registre lui-même n'a pas "
                                     "changé et vous pouvez continuer.\r\n%1")
                          .arg(outcome.notice.isEmpty() ? outcome.reason
                                                        : outcome.reason + QStringLiteral("\r\n") + outcome.notice),
                      MessageIcon::Error);
            break;
        }
    }));
    thread_->start(QThread::LowPriority);
}
