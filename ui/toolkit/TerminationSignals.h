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

    // A signal came: also true when it came before the windows were shown (during a message box at
    // start-up), when there was nothing yet to close.
    bool requested() const { return requested_; }

private:
    void closeWindows();

    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};
