#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class HandlerGuard;
class QThread;
class QWidget;
enum class MessageIcon;

// The day's backup of the ledger, made on a thread of its own once the main window has first been painted, so
// that the window never waits for it; a save made meanwhile waits for the copy, which therefore holds the
// ledger as it was before the first change. A failure never stops the user: they are told once, in French.
class DailyBackup : public QObject {
    Q_OBJECT
public:
    // Starts when `window` is first painted, or at once without one. The user is told through `guard`, which
    // outlives the backup.
    DailyBackup(const QString& ledgerPath, QWidget* window, HandlerGuard& guard);
    // Stops the proof of the copy if it is under way (no backup is made then), and waits for the thread to end.
    ~DailyBackup() override;

Q_SIGNALS:
    // The day's copy of the ledger failed its proof: the ledger is damaged, as `found` says in French.
    // `latestGoodBackup` is the most recent backup that passes it, empty when there is none. Emitted on the
    // program's thread.
    void ledgerDamaged(const QString& found, const QString& latestGoodBackup);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start();

    void tellLater(const QString& text, MessageIcon icon);

    QString ledgerPath_;
    HandlerGuard& guard_;
    std::atomic<bool> stop_ = false;
    std::unique_ptr<QThread> thread_;
};
