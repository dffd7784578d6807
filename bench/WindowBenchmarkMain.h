#pragma once

#include "bench/OffscreenPlatform.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// The main() of a benchmark program that drives windows: an offscreen QApplication, then every benchmark asked
// for, run with one `Workspace` that `current` points to meanwhile.
template <typename Workspace> int RunWindowBenchmarks(int argc, char** argv, Workspace*& current)
{
    UseQuietOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        Workspace workspace;
        current = &workspace;
        benchmark::RunSpecifiedBenchmarks();
        current = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
