#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, and the desktop session ending, close the windows as their close boxes
// do, so that each window's closing work (saving the notes) runs before the process ends.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void closeWindows();

    QSocketNotifier* notifier_ = nullptr;
};
