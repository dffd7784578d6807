#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Raises `activated` when the form becomes the program's active window: when it is first shown, and when
// the user comes back to it from another of the program's forms. Not when a message box closes, and not
// when the user comes back from another program.
class ActivationWatcher : public QObject {
    Q_OBJECT
public:
    explicit ActivationWatcher(QWidget* form);

    // Top-level windows that count as forms (the About window registers itself this way).
    static void registerForm(QWidget* form);

Q_SIGNALS:
    void activated();
};
