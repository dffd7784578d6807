// Start-up time, CPU time and peak memory, which only a fresh process can show, so one process per measurement:
//   startup_probe fill-ledger FOLDER PERSONS NOTES_MB  fills FOLDER/BDPLORN.mdb, an empty ledger made by
//                                                       quentaril-newledger: "Abadie Amélie" first with notes of
//                                                       NOTES_MB MB (0: a line), then generated persons
//   startup_probe make-ledger FOLDER PERSONS NOTES_MB  the same in a new ledger it makes itself
//   startup_probe program FOLDER          the program's start-up on FOLDER, up to its window painted
//   startup_probe program-backup FOLDER   the same, with the day's backup made on its thread
//   startup_probe bare FOLDER             the floor: the same controls with the same fonts, the first person's
//                                         name and notes laid out, after the key derivation and one read
// Output, one figure a line: "phase NAME MS" for each step in order (its time since the step before),
// "total MS" from the process's launch to the window painted, "cpu MS" the process's user and system time up
// to then (every thread, from the exec on), "memory NAME KB" the peak memory then.
// scripts/run-startup-bench.sh runs the modes and takes medians.

#include "ProgramIdentity.h"
#include "app/DailyBackup.h"
#include "app/ProgramLife.h"
#include "bench/FloorWindow.h"
#include "bench/LedgerWorkspace.h"
#include "bench/WindowLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/Translations.h"

#include <QApplication>
#include <QComboBox>
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

// User and system time of every thread since the exec, as /proc/self/stat's utime and stime count them, to the
// microsecond.
void PrintCpuTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& time) {
        return static_cast<qint64>(time.tv_sec) * 1'000'000 + time.tv_usec;
    };
    std::printf("cpu %.2f\n", static_cast<double>(micros(usage.ru_utime) + micros(usage.ru_stime)) / 1000);
}

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

// Every figure of a run, taken once the window is painted.
void PrintRun(const Steps& steps)
{
    PrintCpuTime();
    steps.print();
    PrintPeakMemory();
}

// What app/main.cpp does, with the steps of Form_Load told apart by what the window shows as it goes. With
// `backup`, the day's backup is made on its thread as the program makes it (the caller empties the backups).
// Only the controls' Qt classes are used, so that any person list behind cmbPers is measured the same way.
int RunProgram(int& argc, char** argv, const QString& folder, bool backup)
{
    Steps steps;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quentaril"));
    QApplication::setApplicationVersion(ProgramVersionText());
    steps.mark("qapplication");
    InstallFrenchTranslations(app);
    ProgramLife life;
    steps.mark("translations");

    frmPlorn window(folder, life.guard());
    steps.mark("window_built");

    auto* list = window.findChild<QComboBox*>(QStringLiteral("cmbPers"));
    auto* notes = window.findChild<QPlainTextEdit*>(QStringLiteral("txtPlorn"));
    if (!list || !notes) {
        std::fprintf(stderr, "the main window has no cmbPers or no txtPlorn\n");
        return 1;
    }
    // The notes box is emptied as soon as the ledger is open, then the list is filled, then the first person's
    // notes are shown. A list model that is reset rather than inserted into is recognised as well.
    int notesChanges = 0;
    QObject::connect(notes, &QPlainTextEdit::textChanged, &app, [&steps, &notesChanges] {
        if (++notesChanges == 1)
            steps.mark("ledger_opened");
        else if (notesChanges == 2)
            steps.mark("first_person_shown");
    });
    const auto namesSorted = [&steps] {
        steps.markOnce("names_read_and_sorted");
    };
    const auto listFilled = [&steps] {
        steps.markOnce("list_filled");
    };
    QObject::connect(list->model(), &QAbstractItemModel::rowsAboutToBeInserted, &app, namesSorted);
    QObject::connect(list->model(), &QAbstractItemModel::modelAboutToBeReset, &app, namesSorted);
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, &app, listFilled);
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, &app, listFilled);
    life.guard().run([&window] { window.Form_Load(); });
    steps.mark("form_load_rest");
    std::optional<DailyBackup> dailyBackup;
    if (backup)
        dailyBackup.emplace(LedgerPathIn(folder), &window, life.guard());

    window.show();
    CentreOnScreen(&window);
    steps.mark("show");
    FirstPaint firstPaint(&window, steps);
    QApplication::exec();
    PrintRun(steps);
    return 0;
}

// The floor: what any program showing this window after opening this ledger must do at the least.
int RunBare(int& argc, char** argv, const QString& folder)
{
    Steps steps;
    QApplication app(argc, argv);
    steps.mark("qapplication");

    FloorWindow window;
    steps.mark("window_built");

    QString name;
    QString notes;
    {
        // The key derivation, then one row through the index: the first name in the file's order is as cheap
        // to find as the first in French order would be with an index of its own.
        Connection db = OpenKeyedConnection(LedgerPathIn(folder), LedgerPassword);
        sqlite3_stmt* statement = nullptr;
        RequireBare(db.get(),
                    sqlite3_prepare_v2(db.get(), "SELECT NomPers, LesPlorns FROM tblPlorn ORDER BY NomPers LIMIT 1", -1,
                                       &statement, nullptr));
        const int stepped = sqlite3_step(statement);
        if (stepped == SQLITE_ROW) {
            const auto text = [statement](int column) {
                return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                         sqlite3_column_bytes(statement, column));
            };
            name = text(0);
            notes = text(1);
        }
        const int finalized = sqlite3_finalize(statement);
        RequireBare(db.get(), stepped == SQLITE_ROW ? finalized : stepped);
    }
    steps.mark("ledger_opened_first_row_read");
    window.showFirstPerson(name, notes);
    steps.mark("first_person_shown");

    window.show();
    CentreOnScreen(&window);
    steps.mark("show");
    FirstPaint firstPaint(&window, steps);
    QApplication::exec();
    PrintRun(steps);
    return 0;
}

int MakeLedger(const QString& folder, qint64 persons, qint64 megabytes)
{
    const QString path = MakeLedgerFolder(folder, persons, megabytes > 0 ? 1 : 0, megabytes);
    std::printf("%s\n", qPrintable(path));
    return 0;
}

int FillLedgerIn(const QString& folder, qint64 persons, qint64 megabytes)
{
    FillLedger(LedgerPathIn(folder), persons, 1, megabytes);
    return 0;
}

int Usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s fill-ledger FOLDER PERSONS NOTES_MB | make-ledger FOLDER PERSONS NOTES_MB"
                 " | program FOLDER | program-backup FOLDER | bare FOLDER\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    MainEntered = Now();
    // A run that hangs (a message box waiting for a click nobody gives) must not hang the script; filling a
    // ledger of a million persons on a busy machine takes minutes.
    const bool makesLedger = argc > 1 && (qstrcmp(argv[1], "fill-ledger") == 0 || qstrcmp(argv[1], "make-ledger") == 0);
    alarm(makesLedger ? 1800 : 120);
    // No display is needed: the offscreen platform draws into memory, as the benchmarks do.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc < 3)
        return Usage(argv[0]);
    const QByteArray mode = argv[1];
    const QString target = QString::fromLocal8Bit(argv[2]);
    // Qt is given the program's name only, as the program is when started without arguments.
    int qtArgc = 1;
    try {
        if (mode == "fill-ledger" && argc == 5)
            return FillLedgerIn(target, QByteArray(argv[3]).toLongLong(), QByteArray(argv[4]).toLongLong());
        if (mode == "make-ledger" && argc == 5)
            return MakeLedger(target, QByteArray(argv[3]).toLongLong(), QByteArray(argv[4]).toLongLong());
        if (mode == "program" && argc == 3)
            return RunProgram(qtArgc, argv, target, false);
        if (mode == "program-backup" && argc == 3)
            return RunProgram(qtArgc, argv, target, true);
        if (mode == "bare" && argc == 3)
            return RunBare(qtArgc, argv, target);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return Usage(argv[0]);
}
