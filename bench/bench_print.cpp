// The notes shown exported as a PDF through the main window, as the user waits for it: the whole export (wall and
// CPU time of every thread) and the longest the window went without answering its events meanwhile.

#include "bench/OffscreenPlatform.h"
#include "bench/SampleText.h"
#include "bench/StopOnFailure.h"
#include "bench/WindowBenchmarkMain.h"
#include "bench/WindowLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/print/PrintDialogs.h"
#include "ui/toolkit/NotesBox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

// The window's event loop watched by a 10 ms timer: the longest time between two of its ticks, from the moment it
// starts to the moment it is read.
class LoopGaps {
public:
    LoopGaps()
    {
        QObject::connect(&ticks_, &QTimer::timeout, [this] { tick(); });
        ticks_.setTimerType(Qt::PreciseTimer);
        ticks_.start(10);
        sinceLast_.start();
    }
    qint64 longestMs()
    {
        tick();
        return longest_;
    }

private:
    void tick() { longest_ = std::max(longest_, sinceLast_.restart()); }

    QTimer ticks_;
    QElapsedTimer sinceLast_;
    qint64 longest_ = 0;
};

struct Workspace {
    QTemporaryDir folder;
    StopOnFailure failures;
    std::unique_ptr<frmPlorn> window;
    NotesBox* notes = nullptr;
    QAction* exportCommand = nullptr;

    void open()
    {
        if (window)
            return;
        const QString ledgerFolder = folder.filePath(QStringLiteral("ledger"));
        MakeLedgerFolder(ledgerFolder, 1);
        window = std::make_unique<frmPlorn>(ledgerFolder, failures.guard());
        window->Form_Load();
        window->show();
        notes = window->findChild<NotesBox*>(QStringLiteral("txtPlorn"));
        exportCommand = window->findChild<QAction*>(QStringLiteral("actPdf"));
        if (!notes || !exportCommand)
            throw std::runtime_error("the main window has no txtPlorn or no export command");
        QCoreApplication::processEvents();
    }
};

Workspace* TheWorkspace = nullptr;

void BenchExportPdf(benchmark::State& state)
{
    Workspace& workspace = *TheWorkspace;
    workspace.open();
    // The notes as the ledger gave them: what the box shows is what the PDF holds.
    workspace.notes->loadText(FrenchLikeText(state.range(0), 1789));
    QCoreApplication::processEvents();
    const QString pdf = workspace.folder.filePath(QStringLiteral("relevé.pdf"));
    PrintDialogsSeam dialogs;
    qint64 longestGap = 0;
    for (auto _ : state) {
        dialogs.queuePath(pdf);
        LoopGaps gaps;
        workspace.exportCommand->trigger();
        longestGap = std::max(longestGap, gaps.longestMs());
        if (!QFile::exists(pdf)) {
            state.SkipWithError("no PDF was written");
            break;
        }
    }
    state.counters["longest_gap_ms"] = double(longestGap);
    state.counters["pdf_MB"] = double(QFile(pdf).size()) / double(CharactersPerMB);
}

} // namespace

// One export of ten megabytes takes seconds: a few are enough.
BENCHMARK(BenchExportPdf)
    ->Name("ExportPdf")
    ->ArgName("chars")
    ->Arg(100 * 1024)
    ->Arg(10 * CharactersPerMB)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv, TheWorkspace);
}
