// Start-up time and peak memory, which only a fresh process can show, so one process per measurement:
//   startup_probe make-ledger FOLDER PERSONS NOTES_MB  a ledger for the other modes (NOTES_MB > 0: the
//                                                       person shown first has notes of that size)
//   startup_probe program FOLDER          the program's start-up on FOLDER, up to its window painted
//   startup_probe bare FOLDER             a plain window of the same size that paints, plus the key
//                                         derivation on the same ledger
//   startup_probe memory-program FOLDER   the program's peak memory once its window is painted
//   startup_probe memory-bare NOTES_MB    a plain QPlainTextEdit holding the same notes, painted
// Output, one figure a line: "phase NAME MS" for each step in order (its time since the step before),
// "total MS" from the process's launch to the window painted, "memory NAME KB".
// scripts/run-startup-bench.sh runs the modes and takes medians.

#include "ProgramIdentity.h"
#include "app/DailyBackup.h"
#include "bench/LedgerWorkspace.h"
#include "bench/WindowLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/TerminationSignals.h"
#include "ui/toolkit/Translations.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 MicrosOf(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

qint64 Now()
{
    return MicrosOf(CLOCK_REALTIME);
}

// When the process was launched, on Now()'s clock. The launcher can say, to the microsecond
// (QUENTARIL_PROBE_LAUNCHED_US, bash's $EPOCHREALTIME taken just before it runs the probe); otherwise the
// kernel's record of the start, which counts in clock ticks (10 ms).
qint64 LaunchTime()
{
    bool given = false;
    const qint64 launched = qgetenv("QUENTARIL_PROBE_LAUNCHED_US").toLongLong(&given);
    if (given)
        return launched;
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return Now();
    // The command name may hold spaces: the fields are counted after its closing parenthesis, from
    // the third on; the start time is the 22nd.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const qint64 startTicks = fields.value(22 - 3).toLongLong();
    const qint64 sinceStart = MicrosOf(CLOCK_BOOTTIME) - startTicks * 1'000'000 / sysconf(_SC_CLK_TCK);
    return Now() - sinceStart;
}

// Set by main() first thing.
qint64 MainEntered = 0;

// The steps of one start-up, each with the moment it ended.
class Steps {
public:
    void mark(const char* name) { marks_.push_back({name, Now()}); }
    // Marks only the first time, for steps recognised by a signal that may come again.
    void markOnce(const char* name)
    {
        for (const Mark& mark : marks_) {
            if (qstrcmp(mark.name, name) == 0)
                return;
        }
        mark(name);
    }

    void print() const
    {
        const qint64 launched = LaunchTime();
        // Loading the libraries and their static initialisers.
        std::printf("phase before_main %.2f\n", double(MainEntered - launched) / 1000);
        qint64 previous = MainEntered;
        for (const Mark& mark : marks_) {
            std::printf("phase %s %.2f\n", mark.name, double(mark.at - previous) / 1000);
            previous = mark.at;
        }
        std::printf("total %.2f\n", double(previous - launched) / 1000);
    }

private:
    struct Mark {
        const char* name;
        qint64 at;
    };
    std::vector<Mark> marks_;
};

// Marks the window's first paint event, and the end of the paint pass it begins (children included),
// then leaves the event loop.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* window, Steps& steps) : window_(window), steps_(steps) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Paint) {
            window_->removeEventFilter(this);
            steps_.mark("first_paint_event");
            // Runs once the paint pass that this event opens has drawn every child and flushed.
            QTimer::singleShot(0, this, [this] {
                steps_.mark("painted");
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
    Steps& steps_;
};

void PrintPeakMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            for (const char* field : {"VmHWM:", "VmRSS:"}) {
                if (line.startsWith(field))
                    std::printf("memory %s %lld\n", QByteArray(field).chopped(1).constData(),
                                line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong());
            }
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("memory ru_maxrss %ld\n", usage.ru_maxrss);
}

// What app/main.cpp does, with the steps of Form_Load told apart by what the window shows as it goes. With
// `backup`, the day's backup is made on its thread as the program makes it (the caller empties the backups).
int RunProgram(int& argc, char** argv, const QString& folder, bool memory, bool backup = false)
{
    Steps steps;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quentaril"));
    QApplication::setApplicationVersion(ProgramVersionText());
    steps.mark("qapplication");
    InstallFrenchTranslations(app);
    TerminationSignals terminationSignals;
    steps.mark("translations");

    frmPlorn window(folder);
    steps.mark("window_built");

    auto* list = window.findChild<PersonList*>(QStringLiteral("cmbPers"));
    auto* notes = window.findChild<NotesBox*>(QStringLiteral("txtPlorn"));
    if (!list || !notes) {
        std::fprintf(stderr, "the main window has no cmbPers or no txtPlorn\n");
        return 1;
    }
    // The notes box is emptied as soon as the ledger is open, then the list is filled, then a person shown.
    QObject::connect(notes, &QPlainTextEdit::textChanged, &app, [&steps] { steps.markOnce("ledger_opened"); });
    QObject::connect(list->model(), &QAbstractItemModel::rowsAboutToBeInserted, &app,
                     [&steps] { steps.markOnce("names_read_and_sorted"); });
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, &app,
                     [&steps] { steps.markOnce("list_filled"); });
    int shown = 0;
    QObject::connect(list, &PersonList::listClick, &app,
                     [&steps, &shown] { steps.mark(++shown == 1 ? "first_person_shown" : "person_shown_again"); });
    RunGuarded([&window] { window.Form_Load(); });
    steps.mark("form_load_rest");
    std::optional<DailyBackup> dailyBackup;
    if (backup)
        dailyBackup.emplace(LedgerPathIn(folder), &window);

    window.show();
    CentreOnScreen(&window);
    steps.mark("show");
    FirstPaint firstPaint(&window, steps);
    QApplication::exec();
    steps.print();
    if (memory)
        PrintPeakMemory();
    return 0;
}

// The least any program showing a window of this size after opening this ledger must do.
int RunBare(int& argc, char** argv, const QString& folder)
{
    Steps steps;
    QApplication app(argc, argv);
    steps.mark("qapplication");

    QWidget window;
    // The main window's client size and background.
    window.setFixedSize(TwipsToPixels(5865), TwipsToPixels(4545));
    SetBackgroundColour(&window, Qt::white);
    steps.mark("window_built");

    {
        Connection db = OpenKeyedConnection(LedgerPathIn(folder), LedgerPassword);
        sqlite3_stmt* statement = nullptr;
        RequireBare(db.get(),
                    sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr));
        const int stepped = sqlite3_step(statement);
        const int finalized = sqlite3_finalize(statement);
        RequireBare(db.get(), stepped == SQLITE_ROW ? finalized : stepped);
    }
    steps.mark("ledger_opened");

    window.show();
    steps.mark("show");
    FirstPaint firstPaint(&window, steps);
    QApplication::exec();
    steps.print();
    return 0;
}

int RunBareNotes(int& argc, char** argv, qint64 megabytes)
{
    Steps steps;
    QApplication app(argc, argv);
    steps.mark("qapplication");

    QPlainTextEdit edit;
    // The notes box's size and font.
    edit.resize(TwipsToPixels(5895), TwipsToPixels(3855));
    edit.setFont(ArialFont(12, true));
    edit.setPlainText(LargeNotes(megabytes, 0));
    // The end is what the program shows.
    edit.moveCursor(QTextCursor::End);
    steps.mark("notes_set");

    edit.show();
    steps.mark("show");
    FirstPaint firstPaint(&edit, steps);
    QApplication::exec();
    steps.print();
    PrintPeakMemory();
    return 0;
}

int MakeLedger(const QString& folder, qint64 persons, qint64 megabytes)
{
    const QString path = MakeLedgerFolder(folder, persons, megabytes > 0 ? 1 : 0, megabytes);
    std::printf("%s\n", qPrintable(path));
    return 0;
}

int Usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s make-ledger FOLDER PERSONS NOTES_MB | program FOLDER | bare FOLDER"
                 " | program-backup FOLDER | memory-program FOLDER | memory-bare NOTES_MB\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    MainEntered = Now();
    // A run that hangs (a message box waiting for a click nobody gives) must not hang the script.
    alarm(60);
    // No display is needed: the offscreen platform draws into memory, as the benchmarks do.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc < 3)
        return Usage(argv[0]);
    const QByteArray mode = argv[1];
    const QString target = QString::fromLocal8Bit(argv[2]);
    // Qt is given the program's name only, as the program is when started without arguments.
    int qtArgc = 1;
    try {
        if (mode == "make-ledger" && argc == 5)
            return MakeLedger(target, QByteArray(argv[3]).toLongLong(), QByteArray(argv[4]).toLongLong());
        if (mode == "program" && argc == 3)
            return RunProgram(qtArgc, argv, target, false);
        if (mode == "program-backup" && argc == 3)
            return RunProgram(qtArgc, argv, target, false, true);
        if (mode == "memory-program" && argc == 3)
            return RunProgram(qtArgc, argv, target, true);
        if (mode == "bare" && argc == 3)
            return RunBare(qtArgc, argv, target);
        if (mode == "memory-bare" && argc == 3)
            return RunBareNotes(qtArgc, argv, target.toLongLong());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return Usage(argv[0]);
}
