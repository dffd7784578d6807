#include "ui/print/StatementJob.h"

#include "ui/print/NotesSlices.h"
#include "ui/toolkit/Look.h"
#include "ui/words/PrintWords.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>

namespace {

// A progress window that came and went at once would only flash.
constexpr std::chrono::milliseconds ShowProgressAfter{400};
constexpr std::chrono::milliseconds ProgressEvery{100};
constexpr int ProgressSteps = 1000;
// Each slice of the text taken out of the box between two turns of the event loop.
constexpr std::chrono::milliseconds TakeTextFor{20};

// Drops the user's input to everything but the progress window while the work runs (it would otherwise reach the
// main window before the progress window shows and makes itself modal).
class InputHeld final : public QObject {
public:
    explicit InputHeld(QWidget* allowed) : allowed_(allowed) { qApp->installEventFilter(this); }
    ~InputHeld() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == allowed_ || allowed_->isAncestorOf(widget)))
            return false;
        // Windows of the platform's own (the progress window's) come as QWindow: only widgets are held.
        if (!widget)
            return false;
        event->ignore();
        return true;
    }

private:
    QWidget* allowed_;
};

} // namespace

bool RunStatementJob(QWidget* parent, const QString& title, const QString& label, const QTextDocument& notes,
                     const std::function<void(const QString& notes, const PaintProgress&)>& work)
{
    std::atomic<bool> stop{false};
    std::atomic<int> reached{0};

    QProgressDialog progress(label, StopCaption, 0, ProgressSteps, parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(int(ShowProgressAfter.count()));
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    auto* bar = new QProgressBar(&progress);
    Announce(bar, ProgressAnnounced, label);
    progress.setBar(bar);
    // Escape, and the program's end, reject the window without pressing "Arrêter".
    QObject::connect(&progress, &QProgressDialog::canceled, [&stop] { stop = true; });
    QObject::connect(&progress, &QDialog::rejected, [&stop] { stop = true; });
    const InputHeld held(&progress);

    QEventLoop loop;
    NotesSlices slices(notes);
    QString text;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        work(text, [&](double done) {
            reached.store(int(done * ProgressSteps), std::memory_order_relaxed);
            return !stop.load(std::memory_order_relaxed);
        });
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer taking;
    QObject::connect(&taking, &QTimer::timeout, &loop, [&] {
        if (stop) {
            loop.quit();
            return;
        }
        if (!slices.takeFor(TakeTextFor))
            return;
        taking.stop();
        if (!slices.whole()) {
            loop.quit();
            return;
        }
        text = slices.take();
        thread->start();
    });
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &progress, [&] {
        if (!progress.wasCanceled())
            progress.setValue(std::min(reached.load(std::memory_order_relaxed), ProgressSteps - 1));
    });
    ticks.start(ProgressEvery);
    progress.setValue(0);
    taking.start(0);
    loop.exec();
    thread->wait();
    return !taking.isActive() && thread->isFinished();
}
