// Each operation of the open ledger beside the bare engine calls doing the same work on the same file,
// through a second connection with the same key: the difference is what the ledger adds.

#include "bench/BareStatements.h"
#include "bench/CryptoWriteFloor.h"
#include "bench/LedgerWorkspace.h"
#include "bench/ProcessIo.h"
#include "tests/support/LedgerTestAccess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
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

// Where a save's time goes, per save: bytes and calls through read and write (the engine's file I/O, journal
// included), in 1024-byte pages for comparison with the floor's.
void SetIoCounters(benchmark::State& state, const ProcessIo& io)
{
    const auto perSave = [&state](qint64 total) {
        return benchmark::Counter(static_cast<double>(total), benchmark::Counter::kAvgIterations);
    };
    state.counters["pages_written"] = perSave(io.writtenBytes / CryptoWriteFloor::PageSize);
    state.counters["pages_read"] = perSave(io.readBytes / CryptoWriteFloor::PageSize);
    state.counters["write_calls"] = perSave(io.writeCalls);
    state.counters["read_calls"] = perSave(io.readCalls);
}

void BenchSaveNotes(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithNotes(QStringLiteral("save"), state.range(0));
    const ProcessIo before = ProcessIo::now();
    for (auto _ : state)
        pair.ledger.SaveNotes(NotesOwner, NextNotes(pair, state.range(0)));
    SetIoCounters(state, ProcessIo::now() - before);
    Fails(state, !HoldsLastSaved(pair, state.range(0)), "the file does not hold the notes last saved");
    SetNotesBytesProcessed(state);
}

void BenchBareSaveNotes(benchmark::State& state)
{
    LedgerPair& pair = LedgerWithNotes(QStringLiteral("save"), state.range(0));
    const ProcessIo before = ProcessIo::now();
    for (auto _ : state)
        BareSaveNotes(pair.bare.get(), NotesOwner, NextNotes(pair, state.range(0)));
    SetIoCounters(state, ProcessIo::now() - before);
    Fails(state, !HoldsLastSaved(pair, state.range(0)), "the file does not hold the notes last saved");
    SetNotesBytesProcessed(state);
    state.SetLabel("bare SQLCipher");
}

// The least a save of these notes can do: their UTF-8 bytes encrypted and written as pages, journal then file,
// each synced. The two texts in turn, as above; the files sit beside the ledgers, on the same file system.
void BenchSaveNotesFloor(benchmark::State& state)
{
    const QString& first = NotesOfMB(state.range(0), 0);
    const QByteArray texts[2] = {first.toUtf8(), NotesOfMB(state.range(0), 1).toUtf8()};
    QTemporaryDir folder(QFileInfo(LedgerWithNotes(QStringLiteral("save"), state.range(0)).path).path() +
                         QStringLiteral("/floor-XXXXXX"));
    CryptoWriteFloor floor(folder.path(), std::max(texts[0].size(), texts[1].size()));
    int saves = 0;
    const ProcessIo before = ProcessIo::now();
    for (auto _ : state)
        floor.save(texts[++saves % 2]);
    SetIoCounters(state, ProcessIo::now() - before);
    const QByteArray& last = texts[saves % 2];
    Fails(state,
          !folder.isValid() ||
              floor.decryptedPage(0).left(CryptoWriteFloor::PagePayload) != last.left(CryptoWriteFloor::PagePayload),
          "the floor's file does not hold the notes last saved");
    SetNotesBytesProcessed(state);
    state.SetLabel("AES-256-CBC + HMAC-SHA1 per 1024-byte page, written and synced twice");
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

// Every ledger measurement touches the file, so wall time is what the user waits for; the process's CPU time
// beside it says how much of that was work rather than waiting (or a busy machine).
void AsIo(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
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
BENCHMARK(BenchSaveNotesFloor)->Name("SaveNotes_floor")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsIo);
BENCHMARK(BenchOpenLedgerFile)->Name("OpenLedgerFile")->Apply(AsIo);
BENCHMARK(BenchBareOpen)->Name("OpenLedgerFile_baseline")->Apply(AsIo);

BENCHMARK_MAIN();
