// The one-time conversion of a Jet (Access) ledger, on large ledgers written at start by the tests' Jet writer
// (tests/jet/make_jet_ledger.py; about 2 MB: 505 persons with notes of 2,000 characters in Jet 4, 1,000 with
// 1,900 in Jet 3, each Memo in a long-value row of its own), whole and in its two halves: reading the old file
// through libmdb, writing the new ledger. The whole conversion as the program runs it, the file read in a second
// copy of this executable, and with the file read in this process, as before there was a reading process.
//   QUENTARIL_PYTHON overrides the python3 CMake found.

#include "app/JetReadingMode.h"
#include "app/JetReadingProcess.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/ConvertedPersons.h"
#include "ledger/jet/JetConversion.h"
#include "ledger/jet/JetReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

struct Shape {
    int persons;
    int notesLength;
};

// The shapes measured since the first figures of BENCHMARKS.md.
Shape LargestLedger(int jetVersion)
{
    return jetVersion == 4 ? Shape{505, 2000} : Shape{1000, 1900};
}

QString Notes(int length)
{
    QStringList lines;
    for (int line = 1; lines.size() * 64 < length; ++line)
        lines << QStringLiteral("%1 12/03/2004 14:05 : prêté 20 € à rendre, reste « 5 € » ;")
                     .arg(line, 4, 10, QLatin1Char('0'));
    return lines.join(QStringLiteral("\r\n")).left(length);
}

QTemporaryDir& Work()
{
    static QTemporaryDir work;
    return work;
}

QString Python()
{
    return qEnvironmentVariable("QUENTARIL_PYTHON", QStringLiteral(QUENTARIL_PYTHON3));
}

// The Jet ledger, made once per run; an empty path, and `why` said, when it cannot be made.
QString JetLedger(int jetVersion, QString& why)
{
    static std::map<int, std::pair<QString, QString>> made;
    if (const auto found = made.find(jetVersion); found != made.end()) {
        why = found->second.second;
        return found->second.first;
    }
    const auto done = [&](const QString& path, const QString& reason) {
        made.emplace(jetVersion, std::pair(path, reason));
        why = reason;
        return path;
    };
    if (Python().isEmpty())
        return done({}, QStringLiteral("no python3 to run the Jet writer"));

    const Shape shape = LargestLedger(jetVersion);
    QJsonArray rows;
    for (int i = 0; i < shape.persons; ++i)
        rows.append(QJsonObject{{QStringLiteral("NomPers"), QStringLiteral("Personne %1 é").arg(i)},
                                {QStringLiteral("LesPlorns"), Notes(shape.notesLength)}});
    const QString rowsPath = Work().filePath(QStringLiteral("rows-%1.json").arg(jetVersion));
    QFile rowsFile(rowsPath);
    if (!rowsFile.open(QIODevice::WriteOnly) || rowsFile.write(QJsonDocument(rows).toJson()) < 0)
        return done({}, QStringLiteral("cannot write %1").arg(rowsPath));
    rowsFile.close();

    const QString output = Work().filePath(QStringLiteral("jet%1.mdb").arg(jetVersion));
    QProcess python;
    python.start(Python(), {QStringLiteral(QUENTARIL_JET_WRITER), QStringLiteral("--jet"), QString::number(jetVersion),
                            QStringLiteral("--rows"), rowsPath, QStringLiteral("-o"), output});
    if (!python.waitForFinished(300000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return done({}, QStringLiteral("make_jet_ledger.py failed (%1): %2")
                            .arg(python.errorString(), QString::fromUtf8(python.readAllStandardError())));
    return done(output, {});
}

// The ledger for the running benchmark, or an empty path after skipping it.
QString JetLedgerFor(benchmark::State& state)
{
    QString why;
    const QString path = JetLedger(static_cast<int>(state.range(0)), why);
    if (path.isEmpty())
        state.SkipWithError(why.toUtf8().constData());
    return path;
}

QList<QStringList> ReadPlorn(const QString& path)
{
    return ReadJetTextColumns(path, QStringLiteral("tblPlorn"),
                              {QStringLiteral("NomPers"), QStringLiteral("LesPlorns")});
}

void Describe(benchmark::State& state, const QString& path)
{
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
    state.counters["persons"] = LargestLedger(static_cast<int>(state.range(0))).persons;
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / (1 << 20);
}

template <bool InReadingProcess> void BenchConvertJetLedger(benchmark::State& state)
{
    const JetRowReader read = InReadingProcess ? JetReadingProcessReader() : JetReadingInThisProcess();
    const QString source = JetLedgerFor(state);
    if (source.isEmpty())
        return;
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<QTemporaryDir>(Work().filePath(QStringLiteral("convert-XXXXXX")));
        if (!QFile::copy(source, LedgerPathIn(folder->path()))) {
            state.SkipWithError("cannot copy the Jet ledger");
            return;
        }
        state.ResumeTiming();
        const JetConversionResult result = ConvertJetLedger(folder->path(), read);
        state.PauseTiming();
        if (result.personCount != LargestLedger(static_cast<int>(state.range(0))).persons) {
            state.SkipWithError("persons missing");
            return;
        }
        folder.reset();
        state.ResumeTiming();
    }
    Describe(state, source);
}

void BenchReadJetLedger(benchmark::State& state)
{
    const QString source = JetLedgerFor(state);
    if (source.isEmpty())
        return;
    for (auto _ : state) {
        QList<QStringList> rows = ReadPlorn(source);
        benchmark::DoNotOptimize(rows);
    }
    Describe(state, source);
}

void BenchWriteConvertedLedger(benchmark::State& state)
{
    const QString source = JetLedgerFor(state);
    if (source.isEmpty())
        return;
    const ConvertedPersons persons = ConvertPersons(ReadPlorn(source));
    for (auto _ : state) {
        LedgerDraft draft(Work().path());
        draft.write(persons.persons);
    }
    Describe(state, source);
}

void AsFileWork(benchmark::internal::Benchmark* bench)
{
    bench->ArgName("jet")->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BenchConvertJetLedger<true>)->Name("ConvertJetLedger")->Apply(AsFileWork);
BENCHMARK(BenchConvertJetLedger<false>)->Name("ConvertJetLedgerReadInProcess")->Apply(AsFileWork);
BENCHMARK(BenchReadJetLedger)->Name("ReadJetLedger")->Apply(AsFileWork);
BENCHMARK(BenchWriteConvertedLedger)->Name("WriteConvertedLedger")->Apply(AsFileWork);

int main(int argc, char** argv)
{
    RunJetReadingModeIfAsked(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
