#include "ui/toolkit/Activation.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>
#include <algorithm>

namespace {

// The mark each form carries, so that no list of forms outlives them.
constexpr char FormMark[] = "quentarilForm";

bool IsMarkedForm(const QWindow* window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [window](const QWidget* widget) {
        return widget->windowHandle() == window && widget->property(FormMark).toBool();
    });
}

} // namespace

ActivationWatcher::ActivationWatcher(QWidget* form) : QObject(form), form_(form)
{
    form->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationWatcher::focusWindowChanged);
}

void ActivationWatcher::markAsForm(QWidget* form)
{
    form->setProperty(FormMark, true);
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
    lastActiveWasOtherForm_ = !isForm && IsMarkedForm(window);
}
