#include "ui/toolkit/Activation.h"

#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QWindow>
#include <algorithm>

namespace {

QList<QPointer<QWidget>>& RegisteredForms()
{
    static QList<QPointer<QWidget>> forms;
    return forms;
}

bool IsRegisteredForm(const QWindow* window)
{
    return std::any_of(RegisteredForms().cbegin(), RegisteredForms().cend(),
                       [window](const QPointer<QWidget>& form) { return form && form->windowHandle() == window; });
}

} // namespace

ActivationWatcher::ActivationWatcher(QWidget* form) : QObject(form), form_(form)
{
    registerForm(form);
    form->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationWatcher::focusWindowChanged);
}

void ActivationWatcher::registerForm(QWidget* form)
{
    QList<QPointer<QWidget>>& forms = RegisteredForms();
    forms.removeAll(QPointer<QWidget>());
    if (!forms.contains(form))
        forms.append(form);
}

bool ActivationWatcher::eventFilter(QObject* watched, QEvent* event)
{
    // A spontaneous show is the window coming back from minimized, not the form being shown.
    if (watched == form_ && event->type() == QEvent::Show && !event->spontaneous())
        firstActivationPending_ = true;
    return QObject::eventFilter(watched, event);
}

void ActivationWatcher::focusWindowChanged(QWindow* window)
{
    // Another program has the focus: what counts on return is the window that had it before.
    if (!window || !form_)
        return;
    const bool isForm = window == form_->windowHandle();
    if (isForm && (firstActivationPending_ || lastActiveWasOtherForm_)) {
        firstActivationPending_ = false;
        // Queued: the handler may open a message box, whose event loop must not run inside Qt's own
        // activation handling.
        QMetaObject::invokeMethod(this, &ActivationWatcher::activated, Qt::QueuedConnection);
    }
    lastActiveWasOtherForm_ = !isForm && IsRegisteredForm(window);
}
