// The daily backup (MakeDailyBackup) beside the bare work it wraps: copying the same file with a plain
// read/write loop into a file of the same folder, then fsync. Its proof (ProveBackup) is also timed alone.
//   QUENTARIL_BENCH_CACHE: a folder of the build where the ledger of a million persons is kept between runs.

#include "bench/BareStatements.h"
#include "bench/LedgerWorkspace.h"
#include "ledger/BackupGenerations.h"
#include "ledger/BackupProof.h"
#include "ledger/FileSync.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerStatements.h"
#include "ledger/NewLedger.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

// A ledger alone in a folder of its own, so that its backups are its own; the days go on from one backup
// to the next, as they do from one start-up to the next.
// The baseline's folder holds as many copies as the backups' did before they had generations.
constexpr int BareCopiesKept = 10;

struct BackupLedger {
    QString path;
    QDate nextDay = QDate(2026, 12, 7);
    qint64 bareCopies = 0; // the baseline's copies, numbered from 1
};

QString BareCopyPath(const BackupLedger& ledger, qint64 number)
{
    return QFileInfo(ledger.path).dir().filePath(QStringLiteral("bare-copies/copy-%1.mdb").arg(number));
}

struct Workspace {
    QTemporaryDir folder;
    std::map<QString, std::unique_ptr<BackupLedger>> ledgers;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    if (!workspace.folder.isValid())
        throw std::runtime_error("no temporary folder: " + workspace.folder.errorString().toStdString());
    return workspace;
}

void Require(bool holds, const QString& what)
{
    if (!holds)
        throw std::runtime_error(what.toStdString());
}

void SyncedCopy(const QString& from, const QString& to)
{
    Require(QFile::copy(from, to), QStringLiteral("cannot copy %1 to %2").arg(from, to));
    SyncToDisk(to);
}

// Backups of the seven days before, as the folder holds after a week: each measured backup then makes one and
// removes what the generations no longer keep, as every day's does. The baseline's folder holds ten copies. All
// synced, so that no measurement waits for their writing.
BackupLedger& Prepared(const QString& key, const QString& path)
{
    auto ledger = std::make_unique<BackupLedger>(BackupLedger{path});
    const QString folder = BackupFolderFor(path);
    const QString bareFolder = QFileInfo(BareCopyPath(*ledger, 0)).absolutePath();
    Require(QDir().mkpath(folder) && QDir().mkpath(bareFolder), QStringLiteral("cannot make %1").arg(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (int before = BackupGenerations{}.days; before > 0; --before)
        SyncedCopy(path, BackupPathFor(path, ledger->nextDay.addDays(-before)));
    while (ledger->bareCopies < BareCopiesKept)
        SyncedCopy(path, BareCopyPath(*ledger, ++ledger->bareCopies));
    SyncToDisk(path);
    SyncToDisk(folder);
    SyncToDisk(bareFolder);
    return *(TheWorkspace().ledgers[key] = std::move(ledger));
}

QString LedgerFolder(const QString& key)
{
    const QString folder = TheWorkspace().folder.filePath(key);
    Require(QDir().mkpath(folder), QStringLiteral("cannot make %1").arg(folder));
    return folder;
}

// The reserved entry and one person whose notes are NotesOfMB(megabytes, 0).
BackupLedger& BackupLedgerWithNotes(qint64 megabytes)
{
    const QString key = QStringLiteral("notes-%1MB").arg(megabytes);
    if (const auto found = TheWorkspace().ledgers.find(key); found != TheWorkspace().ledgers.end())
        return *found->second;
    const QString path = LedgerPathIn(LedgerFolder(key));
    CreateNewLedger(path);
    OpenLedgerFile(path).AddPerson(NotesOwner, NotesOfMB(megabytes, 0));
    return Prepared(key, path);
}

// Adds `count` persons, each with a line of notes, in random order, in one transaction through one
// prepared statement: the file a user's years of entries would make, in seconds rather than minutes.
void AddPersons(const QString& path, qint64 count)
{
    Connection db = OpenKeyedConnection(path, LedgerPassword);
    RequireBare(db.get(), sqlite3_exec(db.get(), "PRAGMA journal_mode = MEMORY; BEGIN", nullptr, nullptr, nullptr));
    sqlite3_stmt* insert = nullptr;
    RequireBare(db.get(), sqlite3_prepare_v2(db.get(), AddPersonSql, -1, &insert, nullptr));
    QRandomGenerator random(1848);
    for (qint64 person = 0; person < count; ++person) {
        const SamplePerson sample = RandomPerson(random, person);
        const QByteArray name = sample.name.toUtf8();
        const QByteArray notes = sample.notes.toUtf8();
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, notes.constData(), int(notes.size()), SQLITE_TRANSIENT);
        const int stepped = sqlite3_step(insert);
        if (stepped != SQLITE_DONE) {
            sqlite3_finalize(insert);
            RequireBare(db.get(), stepped);
        }
        sqlite3_reset(insert);
    }
    RequireBare(db.get(), sqlite3_finalize(insert));
    RequireBare(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr));
}

qint64 CountPersons(const QString& path)
{
    Connection db = OpenKeyedConnection(path, LedgerPassword);
    sqlite3_stmt* count = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM tblPlorn", -1, &count, nullptr) != SQLITE_OK)
        return -1;
    const qint64 persons = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : -1;
    sqlite3_finalize(count);
    return persons;
}

// The reserved entry and `count` persons. Making a million takes a while, so the ledger is kept in the
// build's cache folder and copied from there on the next runs.
BackupLedger& BackupLedgerWithPersons(qint64 count)
{
    const QString key = QStringLiteral("persons-%1").arg(count);
    if (const auto found = TheWorkspace().ledgers.find(key); found != TheWorkspace().ledgers.end())
        return *found->second;

    const QString cache = QDir(QStringLiteral(QUENTARIL_BENCH_CACHE)).filePath(key + QStringLiteral(".mdb"));
    if (!QFileInfo::exists(cache) || CountPersons(cache) != count + 1) {
        Require(QDir().mkpath(QFileInfo(cache).absolutePath()),
                QStringLiteral("cannot make the folder of %1").arg(cache));
        const QString draft = cache + QStringLiteral(".part");
        QFile::remove(draft);
        CreateNewLedger(draft);
        AddPersons(draft, count);
        QFile::remove(cache);
        Require(QFile::rename(draft, cache), QStringLiteral("cannot rename %1").arg(draft));
    }
    const QString path = LedgerPathIn(LedgerFolder(key));
    Require(QFile::copy(cache, path), QStringLiteral("cannot copy %1").arg(cache));
    return Prepared(key, path);
}

BackupLedger& LedgerFor(const benchmark::State& state, bool persons)
{
    return persons ? BackupLedgerWithPersons(state.range(0)) : BackupLedgerWithNotes(state.range(0));
}

// The bare copy: a read/write loop of 1 MiB blocks, then fsync. Returns the system's error number, 0 when all
// went.
int CopyAndSync(const QByteArray& from, const QByteArray& to, std::vector<char>& buffer)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < got && error == 0;) {
            const ssize_t written = ::write(out, buffer.data() + done, size_t(got - done));
            if (written >= 0)
                done += written;
            else if (errno != EINTR)
                error = errno;
        }
        if (error != 0)
            break;
    }
    if (error == 0 && ::fsync(out) != 0)
        error = errno;
    ::close(out);
    ::close(in);
    return error;
}

// A side that did less than the other would look fast: each checks once, outside the timing, that its
// last copy is the ledger byte for byte.
void CheckCopy(benchmark::State& state, const QString& ledger, const QString& copy)
{
    QFile original(ledger);
    QFile copied(copy);
    if (!original.open(QIODevice::ReadOnly) || !copied.open(QIODevice::ReadOnly) ||
        original.readAll() != copied.readAll())
        state.SkipWithError("the copy is not the ledger byte for byte");
    state.SetBytesProcessed(state.iterations() * original.size());
}

void BenchBackup(benchmark::State& state, bool persons)
{
    BackupLedger& ledger = LedgerFor(state, persons);
    QString made;
    for (auto _ : state) {
        const BackupOutcome outcome = MakeDailyBackup(ledger.path, ledger.nextDay);
        ledger.nextDay = ledger.nextDay.addDays(1);
        if (outcome.result != BackupOutcome::Result::Made || !outcome.unremoved.isEmpty()) {
            state.SkipWithError(outcome.failure ? outcome.failure->what() : "no backup made, or an old one left");
            return;
        }
        made = outcome.path;
    }
    QList<QDate> days;
    for (const DatedBackup& backup : BackupsOf(ledger.path))
        days << backup.day;
    if (days.size() < BackupGenerations{}.days || !BackupsToRemove(days, ledger.nextDay.addDays(-1)).empty())
        state.SkipWithError("the folder does not hold the backups the generations keep");
    CheckCopy(state, ledger.path, made);
}

// Each copy goes to a new file, and the ten most recent stay, as the backups do: the file system and the
// page cache are in the same state on both sides. Removing the oldest copy is left out of the timing.
void BenchBareCopy(benchmark::State& state, bool persons)
{
    BackupLedger& ledger = LedgerFor(state, persons);
    const QByteArray from = QFile::encodeName(ledger.path);
    std::vector<char> buffer(size_t(1) << 20);
    qint64 removingNs = 0;
    for (auto _ : state) {
        if (const int error = CopyAndSync(from, QFile::encodeName(BareCopyPath(ledger, ++ledger.bareCopies)), buffer)) {
            state.SkipWithError(std::strerror(error));
            return;
        }
        state.PauseTiming();
        QElapsedTimer removing;
        removing.start();
        QFile::remove(BareCopyPath(ledger, ledger.bareCopies - BareCopiesKept));
        removingNs += removing.nsecsElapsed();
        state.ResumeTiming();
    }
    CheckCopy(state, ledger.path, BareCopyPath(ledger, ledger.bareCopies));
    // What the backup does on top of the copy, timed apart: removing the oldest of ten.
    state.counters["oldest_removed_ms"] = benchmark::Counter(double(removingNs) / 1e6 / double(state.iterations()));
    state.SetLabel("read/write loop + fsync");
}

// The proof of the backup alone: the ledger opened read-only with the key, the engine's integrity check, every
// name and note read.
void BenchProof(benchmark::State& state, bool persons)
{
    const QString& path = LedgerFor(state, persons).path;
    for (auto _ : state) {
        if (!ProveBackup(path).whole) {
            state.SkipWithError("the ledger failed its proof");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// The part of the backup that does not depend on the ledger's size: opening the ledger, keying the
// connection and reading its first page, which derives the key (SQLCipher's 64,000 rounds of PBKDF2).
void BenchOpenAndKey(benchmark::State& state)
{
    const QString& path = BackupLedgerWithNotes(10).path;
    for (auto _ : state)
        BareOpenAndReadSchema(path);
    state.SetLabel("sqlite3_open_v2 + sqlite3_key + first read");
}

void BenchBackupNotes(benchmark::State& state)
{
    BenchBackup(state, false);
}
void BenchBareCopyNotes(benchmark::State& state)
{
    BenchBareCopy(state, false);
}
void BenchProofNotes(benchmark::State& state)
{
    BenchProof(state, false);
}
void BenchProofPersons(benchmark::State& state)
{
    BenchProof(state, true);
}
void BenchBackupPersons(benchmark::State& state)
{
    BenchBackup(state, true);
}
void BenchBareCopyPersons(benchmark::State& state)
{
    BenchBareCopy(state, true);
}

// The user waits for the disk, so wall time.
void AsIo(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BenchBackupNotes)->Name("BackupNotes")->ArgName("MB")->Arg(10)->Apply(AsIo);
BENCHMARK(BenchBareCopyNotes)->Name("BackupNotes_baseline")->ArgName("MB")->Arg(10)->Apply(AsIo);
// A copy of 100 MB takes 100 to 500 ms here, depending on how fast the system hands out page cache: each
// repetition runs for 2 s, so that its mean spans both.
BENCHMARK(BenchBackupPersons)->Name("BackupPersons")->ArgName("persons")->Arg(1'000'000)->MinTime(2.0)->Apply(AsIo);
BENCHMARK(BenchBareCopyPersons)
    ->Name("BackupPersons_baseline")
    ->ArgName("persons")
    ->Arg(1'000'000)
    ->MinTime(2.0)
    ->Apply(AsIo);
BENCHMARK(BenchProofNotes)->Name("BackupProofNotes")->ArgName("MB")->Arg(10)->Apply(AsIo);
BENCHMARK(BenchProofPersons)->Name("BackupProofPersons")->ArgName("persons")->Arg(1'000'000)->Apply(AsIo);
BENCHMARK(BenchOpenAndKey)->Name("BackupOpenAndKey")->Apply(AsIo);

BENCHMARK_MAIN();
