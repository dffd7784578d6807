// Each operation of the open ledger beside the bare engine calls doing the same work on the same file,
// through a second connection with the same key: the difference is what the ledger adds.

#include "bench/BareStatements.h"
#include "bench/LedgerWorkspace.h"
#include "tests/support/LedgerTestAccess.h"

#include <benchmark/benchmark.h>

namespace {

// A side that did less than the other would look fast: each checks its result once, outside the timing,
// which also brings the pages into the connection's cache before the first timed read.
bool Fails(benchmark::State& state, bool failed, const char* why)
{
    if (failed)
        state.SkipWithError(why);
    return failed;
}

// In the file's encoding, which is what the engine moves.
void SetNotesBytesProcessed(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * NotesOfMB(state.range(0), 0).toUtf8().size());
}

// The notes that the next save writes: never the ones the file holds.
const QString& NextNotes(LedgerPair& pair, qint64 megabytes)
{
    return NotesOfMB(megabytes, ++pair.saves % 2);
}

bool HoldsLastSaved(LedgerPair& pair, qint64 megabytes)
{
    return BareReadNotes(pair.bare.get(), NotesOwner) == NotesOfMB(megabytes, pair.saves % 2);
}

void BenchListPersons(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithPersons(state.range(0));
    if (Fails(state, NamesOf(pair.ledger.ListPersons()) != BareListPersons(pair.bare.get()), "the two lists differ"))
        return;
    for (auto _ : state) {
        QStringList names = NamesOf(pair.ledger.ListPersons());
        benchmark::DoNotOptimize(names);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BenchBareListPersons(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithPersons(state.range(0));
    if (Fails(state, BareListPersons(pair.bare.get()).size() != state.range(0) + 1, "wrong number of names"))
        return;
    for (auto _ : state) {
        QStringList names = BareListPersons(pair.bare.get());
        benchmark::DoNotOptimize(names);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("bare SQLCipher");
}

void BenchReadNotes(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithNotes(QStringLiteral("read"), state.range(0));
    if (Fails(state, pair.ledger.ReadNotes(NotesOwner) != NotesOfMB(state.range(0), 0), "notes read back differ"))
        return;
    for (auto _ : state) {
        std::optional<QString> notes = pair.ledger.ReadNotes(NotesOwner);
        benchmark::DoNotOptimize(notes);
    }
    SetNotesBytesProcessed(state);
}

void BenchBareReadNotes(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithNotes(QStringLiteral("read"), state.range(0));
    if (Fails(state, BareReadNotes(pair.bare.get(), NotesOwner) != NotesOfMB(state.range(0), 0),
              "notes read back differ"))
        return;
    for (auto _ : state) {
        QString notes = BareReadNotes(pair.bare.get(), NotesOwner);
        benchmark::DoNotOptimize(notes);
    }
    SetNotesBytesProcessed(state);
    state.SetLabel("bare SQLCipher");
}

void BenchSaveNotes(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithNotes(QStringLiteral("save"), state.range(0));
    for (auto _ : state)
        pair.ledger.SaveNotes(NotesOwner, NextNotes(pair, state.range(0)));
    Fails(state, !HoldsLastSaved(pair, state.range(0)), "the file does not hold the notes last saved");
    SetNotesBytesProcessed(state);
}

void BenchBareSaveNotes(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithNotes(QStringLiteral("save"), state.range(0));
    for (auto _ : state)
        BareSaveNotes(pair.bare.get(), NotesOwner, NextNotes(pair, state.range(0)));
    Fails(state, !HoldsLastSaved(pair, state.range(0)), "the file does not hold the notes last saved");
    SetNotesBytesProcessed(state);
    state.SetLabel("bare SQLCipher");
}

void BenchOpenLedgerFile(benchmark::State& state)
{
    const QString& path = SmallLedgerPath();
    for (auto _ : state) {
        Ledger ledger = OpenLedgerFile(path);
        benchmark::DoNotOptimize(ledger);
    }
}

void BenchBareOpen(benchmark::State& state)
{
    const QString& path = SmallLedgerPath();
    for (auto _ : state)
        BareOpenAndReadSchema(path);
    state.SetLabel("bare SQLCipher");
}

// Every ledger measurement touches the file, so wall time is what the user waits for.
void AsIo(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BenchListPersons)->Name("ListPersons")->ArgName("persons")->Arg(10'000)->Arg(100'000)->Apply(AsIo);
BENCHMARK(BenchBareListPersons)
    ->Name("ListPersons_baseline")
    ->ArgName("persons")
    ->Arg(10'000)
    ->Arg(100'000)
    ->Apply(AsIo);
BENCHMARK(BenchReadNotes)->Name("ReadNotes")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsIo);
BENCHMARK(BenchBareReadNotes)->Name("ReadNotes_baseline")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsIo);
BENCHMARK(BenchSaveNotes)->Name("SaveNotes")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsIo);
BENCHMARK(BenchBareSaveNotes)->Name("SaveNotes_baseline")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsIo);
BENCHMARK(BenchOpenLedgerFile)->Name("OpenLedgerFile")->Apply(AsIo);
BENCHMARK(BenchBareOpen)->Name("OpenLedgerFile_baseline")->Apply(AsIo);

BENCHMARK_MAIN();
