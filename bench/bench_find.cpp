// Finding in the notes. Every person's notes of a ledger of a million persons and 100 MB of notes, searched on the
// search's own thread: the time to the first persons found (counter first_ms) and to the end, beside the floor, a
// bare loop that reads every row's bytes on a fresh connection (each page read and decrypted once). And the notes
// shown: every match in 10 MB of notes.
//   QUENTARIL_BENCH_CACHE: the folder of the build where the large ledger is kept between runs.

#include "bench/SampleText.h"
#include "bench/ScaleLedgers.h"
#include "bench/WindowLedger.h"
#include "ledger/LedgerFile.h"
#include "ledger/SqliteHandles.h"
#include "persons/NotesSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <benchmark/benchmark.h>

namespace {

constexpr qint64 Persons = 1'000'000;
constexpr qint64 NotesMB = 100;

QString LedgerPath()
{
    static const QString path =
        LedgerPathIn(CachedNotesLedger(QStringLiteral(QUENTARIL_BENCH_CACHE), Persons, NotesMB));
    return path;
}

void BenchFindEverywhere(benchmark::State& state)
{
    const QString path = LedgerPath();
    double firstMs = 0;
    qint64 found = 0;
    for (auto _ : state) {
        NotesSearch search;
        QEventLoop loop;
        QElapsedTimer started;
        qint64 first = -1;
        found = 0;
        QObject::connect(&search, &NotesSearch::found, [&](const QList<FoundPerson>& persons) {
            if (first < 0)
                first = started.nsecsElapsed();
            found += persons.size();
        });
        QObject::connect(&search, &NotesSearch::finished, &loop, &QEventLoop::quit);
        QObject::connect(&search, &NotesSearch::failed, [&](const LedgerError& failure) {
            state.SkipWithError(failure.what());
            loop.quit();
        });
        started.start();
        search.start(path, RareWord, {});
        loop.exec();
        firstMs += double(first) / 1e6;
    }
    if (found != Persons / RareWordEvery)
        state.SkipWithError("the search did not find every person whose notes hold the word");
    state.counters["first_ms"] = benchmark::Counter(firstMs, benchmark::Counter::kAvgIterations);
    state.counters["found"] = double(found);
}

void BenchReadEveryRow(benchmark::State& state)
{
    const QString path = LedgerPath();
    for (auto _ : state) {
        Connection db = OpenKeyedReadOnlyConnection(path, LedgerPassword);
        Statement rows(db.get(), "SELECT rowid, NomPers, LesPlorns FROM tblPlorn");
        qint64 bytes = 0;
        while (rows.step())
            bytes += rows.bytesView(1).size() + rows.bytesView(2).size();
        benchmark::DoNotOptimize(bytes);
    }
}

void BenchFindInNotes(benchmark::State& state)
{
    const QString notes = FrenchLikeText(state.range(0) * CharactersPerMB, 2718);
    // A word of the sample text, found many times over.
    const QString needle = QStringLiteral("PRÊTÉ");
    size_t found = 0;
    for (auto _ : state) {
        found = FindAllMatches(notes, needle, {}).size();
        benchmark::DoNotOptimize(found);
    }
    if (found == 0)
        state.SkipWithError("nothing found in the notes");
    state.counters["found"] = double(found);
}

} // namespace

BENCHMARK(BenchFindEverywhere)
    ->Name("FindEverywhere")
    ->ArgName("persons")
    ->Arg(Persons)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BenchReadEveryRow)
    ->Name("FindEverywhere_floor")
    ->ArgName("persons")
    ->Arg(Persons)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BenchFindInNotes)
    ->Name("FindInNotes")
    ->ArgName("MB")
    ->Arg(10)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
