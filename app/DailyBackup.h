#pragma once

#include <QString>
#include <memory>

class QThread;

// The day's backup of the ledger, made on a thread of its own once the ledger has been opened, so that the
// window shows at once; a save made meanwhile waits for the copy, which therefore holds the ledger as it was
// before the first change. A failure never stops the user: they are told once, in French.
class DailyBackup {
public:
    explicit DailyBackup(const QString& ledgerPath);
    // Waits for the copy to end.
    ~DailyBackup();
    DailyBackup(const DailyBackup&) = delete;
    DailyBackup& operator=(const DailyBackup&) = delete;

private:
    std::unique_ptr<QThread> thread_;
};
