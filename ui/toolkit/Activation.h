#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QWindow;

// Raises `activated` when the form becomes the program's active window: when it is first shown, and when
// the user comes back to it from another of the program's forms. Not when a message box closes, and not
// when the user comes back from another program.
class ActivationWatcher : public QObject {
    Q_OBJECT
public:
    explicit ActivationWatcher(QWidget* form);

    // Marks a top-level window as one of the program's forms (the About window marks itself this way); the
    // form being watched counts as one without it.
    static void markAsForm(QWidget* form);

Q_SIGNALS:
    void activated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusWindowChanged(QWindow* window);

    QPointer<QWidget> form_;
    // Whether the program's last active window (ignoring the gaps while another program has the focus) was
    // a form other than this one, decided while that window was alive: the About window may be gone by the
    // time the focus comes back.
    bool lastActiveWasOtherForm_ = false;
    bool firstActivationPending_ = false;
};
