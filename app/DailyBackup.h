#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QThread;
class QWidget;

// The day's backup of the ledger, made on a thread of its own once the main window has first been painted, so
// that the window never waits for it; a save made meanwhile waits for the copy, which therefore holds the
// ledger as it was before the first change. A failure never stops the user: they are told once, in French.
class DailyBackup : public QObject {
public:
    // Starts when `window` is first painted, or at once without one.
    DailyBackup(const QString& ledgerPath, QWidget* window);
    // Waits for the copy to end.
    ~DailyBackup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start();

    QString ledgerPath_;
    std::unique_ptr<QThread> thread_;
};
