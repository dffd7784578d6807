// ReplaceAll as the notes window calls it (apostrophe to double quote), beside a plain deep copy of the
// same text: the copy is the least any replacement that returns a new string can cost.

#include "bench/SampleText.h"
#include "text/MdCode.h"

#include <benchmark/benchmark.h>
#include <map>

namespace {

const QString& SampleOfMB(qint64 megabytes)
{
    static std::map<qint64, QString> samples;
    auto [place, made] = samples.try_emplace(megabytes);
    if (made)
        place->second = FrenchLikeText(megabytes * CharactersPerMB, 1789);
    return place->second;
}

void BenchReplaceAll(benchmark::State& state)
{
    const QString& text = SampleOfMB(state.range(0));
    const QString apostrophe = QStringLiteral("'");
    const QString doubleQuote = QStringLiteral("\"");
    // A replacement that left the text alone would measure nothing.
    if (ReplaceAll(text, apostrophe, doubleQuote).contains(apostrophe) || !text.contains(apostrophe)) {
        state.SkipWithError("ReplaceAll left an apostrophe, or the sample has none");
        return;
    }
    for (auto _ : state) {
        QString replaced = ReplaceAll(text, apostrophe, doubleQuote);
        benchmark::DoNotOptimize(replaced);
    }
    state.SetBytesProcessed(state.iterations() * text.size() * qint64(sizeof(QChar)));
}

void BenchDeepCopy(benchmark::State& state)
{
    const QString& text = SampleOfMB(state.range(0));
    for (auto _ : state) {
        QString copy(text.constData(), text.size());
        benchmark::DoNotOptimize(copy);
    }
    state.SetBytesProcessed(state.iterations() * text.size() * qint64(sizeof(QChar)));
    state.SetLabel("deep copy");
}

} // namespace

BENCHMARK(BenchReplaceAll)->Name("ReplaceAll")->ArgName("MB")->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BenchDeepCopy)->Name("ReplaceAll_baseline")->ArgName("MB")->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
