#!/usr/bin/env bash
# Runs every benchmark program of a build, keeps their results as JSON, then prints for each measured pair
# the core operation's time over its baseline's (the ratio the targets are about); then the start-up and
# peak memory figures of scripts/run-startup-bench.sh.
#   scripts/run-benchmarks.sh BUILD_DIR [extra Google Benchmark flags, e.g. --benchmark_filter=Notes]
# BENCH_REPETITIONS (default 7) sets how many times each benchmark runs; the table uses the median.
set -euo pipefail

if [[ $# -lt 1 ]]; then
    echo "usage: $0 BUILD_DIR [benchmark flags...]" >&2
    exit 2
fi
build_dir=$1
shift
bench_dir="$build_dir/bench"
results_dir="$build_dir/bench-results"

if [[ ! -d $bench_dir ]]; then
    echo "$0: $bench_dir is missing: configure the build with libbenchmark-dev installed" >&2
    exit 1
fi
mapfile -t programs < <(find "$bench_dir" -maxdepth 1 -type f -executable -name 'bench_*' | sort)
if [[ ${#programs[@]} -eq 0 ]]; then
    echo "$0: no bench_* program in $bench_dir: build first" >&2
    exit 1
fi
mkdir -p "$results_dir"

result_files=()
for program in "${programs[@]}"; do
    name=$(basename "$program")
    echo "== $name"
    # Random interleaving spreads the repetitions of both sides of a pair over the same stretch of time,
    # so a slow moment of the machine does not land on one side only.
    "$program" --benchmark_format=console \
        --benchmark_out="$results_dir/$name.json" --benchmark_out_format=json \
        --benchmark_repetitions="${BENCH_REPETITIONS:-7}" \
        --benchmark_enable_random_interleaving=true \
        --benchmark_display_aggregates_only=true \
        "$@"
    result_files+=("$results_dir/$name.json")
    echo
done

python3 - "${result_files[@]}" <<'PYTHON'
import json
import re
import sys

# What each pair is held to: the core operation's real time over its baseline's.
TARGETS = {"ReplaceAll": 4.0, "ListPersons": 1.3, "ReadNotes": 1.3, "SaveNotes": 1.3, "ShowPerson": 1.3,
           "SavePoint": 1.3}
# Operations held to a time of their own, in seconds, whatever their baseline takes.
TIME_LIMITS = {"LoadAllUser/persons:10000": 0.025, "LoadAllUser/persons:100000": 0.25,
               "OpenList/persons:100000/refilled:0": 0.3, "OpenList/persons:100000/refilled:1": 0.3}
BASELINE_SUFFIX = "_baseline"
SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def real_times(runs):
    """Seconds per run name: the median when repeated, else the mean of the iterations' runs; and the
    order the program registered them in, which random interleaving does not keep in the file."""
    medians, singles, failed, order = {}, {}, set(), {}
    for run in runs:
        name = run["run_name"]
        order[name] = (run.get("family_index", 0), run.get("per_family_instance_index", 0))
        if run.get("error_occurred"):
            failed.add(name)
            continue
        seconds = run["real_time"] * SECONDS[run["time_unit"]]
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[name] = seconds
        else:
            singles.setdefault(name, []).append(seconds)
    times = {name: sum(values) / len(values) for name, values in singles.items()}
    times.update(medians)
    return times, failed, order


def shown(seconds):
    if seconds < 1e-3:
        return f"{seconds * 1e6:.1f} µs"
    return f"{seconds * 1e3:.2f} ms"


rows, missed, failures = [], [], []
for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as file:
        times, failed, order = real_times(json.load(file)["benchmarks"])
    failures += sorted(failed)
    pairs = []
    for name, baseline in times.items():
        function, _, arguments = name.partition("/")
        if not function.endswith(BASELINE_SUFFIX):
            continue
        core_function = function[: -len(BASELINE_SUFFIX)]
        core_name = core_function + ("/" + arguments if arguments else "")
        if core_name in times:
            pairs.append((order[core_name], core_function, core_name, baseline))
    for _, core_function, core_name, baseline in sorted(pairs):
        ratio = times[core_name] / baseline
        # A fixed iteration count is how the pair is run, not what it measures.
        label = re.sub(r"/iterations:\d+", "", core_name.removesuffix("/real_time"))
        target = TARGETS.get(core_function)
        limit = TIME_LIMITS.get(label)
        checks = ([] if target is None else [ratio <= target]) + ([] if limit is None else [times[core_name] <= limit])
        met = "" if not checks else ("yes" if all(checks) else "NO")
        if met == "NO":
            missed.append(core_name)
        rows.append((label, shown(times[core_name]), shown(baseline), f"{ratio:.2f}x",
                     "" if target is None else f"{target:g}x", "" if limit is None else shown(limit), met))

header = ("pair", "core", "baseline", "ratio", "target", "limit", "met")
widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
print("Ratios (median real time, core / baseline)")
for row in [header] + rows:
    print("  ".join(cell.ljust(width) if i == 0 else cell.rjust(width)
                    for i, (cell, width) in enumerate(zip(row, widths))))
if missed:
    print("Targets missed: " + ", ".join(missed))
if failures:
    print("Benchmarks that failed their own check: " + ", ".join(failures))
    sys.exit(1)
PYTHON

# Start-up and peak memory need fresh processes, not repetitions inside one.
echo
"$(dirname "$0")/run-startup-bench.sh" "$build_dir"
