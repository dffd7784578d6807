// The one-time conversion of a Jet (Access) ledger, on the largest ledgers the test generator makes (about
// 2 MB: its usage maps cover 512 pages of 4 KB in Jet 4, 1024 of 2 KB in Jet 3), whole and in its two halves:
// reading the old file through libmdb, writing the new ledger.
//   QUENTARIL_TESTDATA: shared/testdata (its jet-ledgers/gen_jet_mdb.py); QUENTARIL_PYTHON: python3.

#include "ledger/LedgerDraft.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/ConvertedPersons.h"
#include "ledger/jet/JetConversion.h"
#include "ledger/jet/JetReader.h"

#include <QCoreApplication>
#include <QDir>
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

// The most persons with notes of that length that still fit the generator's limits.
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

// The Jet ledger, made once per run.
const QString& JetLedger(int jetVersion)
{
    static std::map<int, QString> made;
    if (const auto found = made.find(jetVersion); found != made.end())
        return found->second;

    const Shape shape = LargestLedger(jetVersion);
    QJsonArray rows;
    for (int i = 0; i < shape.persons; ++i)
        rows.append(QJsonObject{{QStringLiteral("NomPers"), QStringLiteral("Personne %1 é").arg(i)},
                                {QStringLiteral("LesPlorns"), Notes(shape.notesLength)}});
    const QString rowsPath = Work().filePath(QStringLiteral("rows-%1.json").arg(jetVersion));
    QFile rowsFile(rowsPath);
    if (!rowsFile.open(QIODevice::WriteOnly) || rowsFile.write(QJsonDocument(rows).toJson()) < 0)
        qFatal("cannot write %s", qPrintable(rowsPath));
    rowsFile.close();

    const QString output = Work().filePath(QStringLiteral("jet%1.mdb").arg(jetVersion));
    const QString generator = qEnvironmentVariable("QUENTARIL_TESTDATA", QStringLiteral(QUENTARIL_TESTDATA)) +
                              QStringLiteral("/jet-ledgers/gen_jet_mdb.py");
    QProcess python;
    python.start(qEnvironmentVariable("QUENTARIL_PYTHON", QStringLiteral("python3")),
                 {generator, QStringLiteral("--jet"), QString::number(jetVersion), QStringLiteral("--rows"), rowsPath,
                  QStringLiteral("-o"), output});
    if (!python.waitForFinished(300000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        qFatal("gen_jet_mdb.py failed: %s", python.readAllStandardError().constData());
    return made.emplace(jetVersion, output).first->second;
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

void BenchConvertJetLedger(benchmark::State& state)
{
    const QString& source = JetLedger(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<QTemporaryDir>(Work().filePath(QStringLiteral("convert-XXXXXX")));
        if (!QFile::copy(source, LedgerPathIn(folder->path()))) {
            state.SkipWithError("cannot copy the Jet ledger");
            return;
        }
        state.ResumeTiming();
        const JetConversionResult result = ConvertJetLedger(folder->path());
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
    const QString& source = JetLedger(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QList<QStringList> rows = ReadPlorn(source);
        benchmark::DoNotOptimize(rows);
    }
    Describe(state, source);
}

void BenchWriteConvertedLedger(benchmark::State& state)
{
    const QString& source = JetLedger(static_cast<int>(state.range(0)));
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

BENCHMARK(BenchConvertJetLedger)->Name("ConvertJetLedger")->Apply(AsFileWork);
BENCHMARK(BenchReadJetLedger)->Name("ReadJetLedger")->Apply(AsFileWork);
BENCHMARK(BenchWriteConvertedLedger)->Name("WriteConvertedLedger")->Apply(AsFileWork);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
