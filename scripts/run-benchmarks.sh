#!/usr/bin/env bash
# Runs every benchmark program of a build, keeps their results as JSON, then prints for each measured pair
# the core operation's time over its baseline's (the ratio the targets are about); then the start-up and
# peak memory figures of scripts/run-startup-bench.sh.
#   scripts/run-benchmarks.sh BUILD_DIR [extra Google Benchmark flags, e.g. --benchmark_filter=Notes]
# BENCH_REPETITIONS (default 7) sets how many times each benchmark runs, BENCH_SCALE_REPETITIONS (default 5) those of
# bench_scale; the tables use the median.
# QUICK=1 leaves out the million persons and the 50 MB notes.
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
# QUICK=1: no million persons, no 50 MB notes (bench_scale and the start-up script read it).
if [[ ${QUICK:-} == 1 ]]; then
    export QUENTARIL_BENCH_QUICK=1
fi

result_files=()
for program in "${programs[@]}"; do
    name=$(basename "$program")
    echo "== $name"
    # Random interleaving spreads the repetitions of both sides of a pair over the same stretch of time,
    # so a slow moment of the machine does not land on one side only.
    repetitions=${BENCH_REPETITIONS:-7}
    # A repetition of bench_scale takes seconds at a million persons.
    if [[ $name == bench_scale ]]; then
        repetitions=${BENCH_SCALE_REPETITIONS:-5}
    fi
    "$program" --benchmark_format=console \
        --benchmark_out="$results_dir/$name.json" --benchmark_out_format=json \
        --benchmark_repetitions="$repetitions" \
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
TIME_LIMITS = {"OpenList/persons:100000/refilled:0": 0.3, "OpenList/persons:100000/refilled:1": 0.3}
# A pair is the operation beside its baseline (the bare engine or widget doing the same) or its floor (the least
# work that gives the same result); an operation may have both.
PARTNER_SUFFIXES = ("_baseline", "_floor")
SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def read_times(runs):
    """(real, cpu) seconds per run name: the median when repeated, else the mean of the runs; and the order the
    program registered them in, which random interleaving does not keep in the file."""
    medians, singles, failed, order = {}, {}, set(), {}
    for run in runs:
        name = run["run_name"]
        order[name] = (run.get("family_index", 0), run.get("per_family_instance_index", 0))
        if run.get("error_occurred"):
            failed.add(name)
            continue
        unit = SECONDS[run["time_unit"]]
        times = (run["real_time"] * unit, run["cpu_time"] * unit)
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[name] = times
        else:
            singles.setdefault(name, []).append(times)
    result = {name: tuple(sum(t[i] for t in values) / len(values) for i in range(2))
              for name, values in singles.items()}
    result.update(medians)
    return result, failed, order


def shown(seconds):
    if seconds < 1e-3:
        return f"{seconds * 1e6:.1f} µs"
    return f"{seconds * 1e3:.2f} ms"


def label_of(name):
    # A fixed iteration count is how the pair is run, not what it measures.
    return re.sub(r"/iterations:\d+", "", re.sub(r"/(real_time|process_time)", "", name))


rows, missed, failures, everything = [], [], [], {}
for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as file:
        text = file.read()
    # A program whose benchmarks all missed the filter writes nothing.
    if not text.strip():
        continue
    times, failed, order = read_times(json.loads(text)["benchmarks"])
    failures += sorted(failed)
    everything.update({label_of(name): value for name, value in times.items()})
    pairs = []
    for name, partner in times.items():
        function, _, arguments = name.partition("/")
        suffix = next((s for s in PARTNER_SUFFIXES if function.endswith(s)), None)
        if suffix is None:
            continue
        core_function = function[: -len(suffix)]
        core_name = core_function + ("/" + arguments if arguments else "")
        if core_name in times:
            pairs.append((order[core_name], suffix, core_function, core_name, partner))
    for _, suffix, core_function, core_name, partner in sorted(pairs):
        (real, cpu), (partner_real, partner_cpu) = times[core_name], partner
        ratio = real / partner_real
        label = label_of(core_name)
        target = TARGETS.get(core_function) if suffix == "_baseline" else None
        limit = TIME_LIMITS.get(label)
        checks = ([] if target is None else [ratio <= target]) + ([] if limit is None else [real <= limit])
        met = "" if not checks else ("yes" if all(checks) else "NO")
        if met == "NO":
            missed.append(core_name)
        rows.append((label, suffix[1:], shown(real), shown(cpu), shown(partner_real), shown(partner_cpu),
                     f"{ratio:.2f}x", f"{cpu / partner_cpu:.2f}x" if partner_cpu > 0 else "",
                     "" if target is None else f"{target:g}x", "" if limit is None else shown(limit), met))

header = ("pair", "beside", "real", "cpu", "its real", "its cpu", "ratio", "cpu ratio", "target", "limit", "met")
widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
print("Ratios (medians; real = wall time, cpu = the process's CPU time where measured, else the thread's)")
for row in [header] + rows:
    print("  ".join(cell.ljust(width) if i < 2 else cell.rjust(width)
                    for i, (cell, width) in enumerate(zip(row, widths))))

# The scale goals, each a figure or two of bench_scale's against a limit; checked on CPU time, which a busy
# machine changes far less than wall time, with the wall time beside it.
GOALS = []
for operation in ("AddPerson", "DeletePerson"):
    large, small = f"{operation}/persons:1000000/firstMB:0", f"{operation}/persons:10000/firstMB:0"
    GOALS.append((f"{operation}, 1,000,000 persons: CPU <= 50 ms", large, None, 0.050))
    GOALS.append((f"{operation}, 1,000,000 over 10,000 persons: <= 2x", large, small, 2.0))
# Timed as the user waits: from OK on the box to the window drawn (the large notes are freed after that drawing;
# AddPerson, until idle, still counts it and is printed above).
GOALS.append(("Add from OK to drawn, first person's notes 10 MB over a line: <= 1.3x",
              "AddPersonUntilDrawn/persons:10000/firstMB:10", "AddPersonUntilDrawn/persons:10000/firstMB:0", 1.3))
GOALS.append(("List opened after a letter typed in 10 MB of notes, over unchanged: <= 1.5x",
              "OpenListAfterEdit/MB:10/edited:1", "OpenListAfterEdit/MB:10/edited:0", 1.5))
GOALS.append(("Every person's notes searched, 1,000,000 persons and 100 MB, over reading every row: <= 2x",
              "FindEverywhere/persons:1000000", "FindEverywhere_floor/persons:1000000", 2.0))
print()
print("Scale figures (medians)")
for name, (real, cpu) in sorted(everything.items()):
    if name.split("/")[0] in ("AddPerson", "AddPersonUntilDrawn", "DeletePerson", "OpenListAfterEdit"):
        print(f"  {name}: real {shown(real)}, cpu {shown(cpu)}")
print()
print("Scale goals (medians; a goal whose figures were left out, by QUICK=1 or a filter, is not shown)")
for title, name, over, limit in GOALS:
    if name not in everything or (over is not None and over not in everything):
        continue
    (real, cpu) = everything[name]
    if over is None:
        print(f"  {title}: real {shown(real)}, cpu {shown(cpu)}: met {'yes' if cpu <= limit else 'NO'}")
        if cpu > limit:
            missed.append(name)
        continue
    (over_real, over_cpu) = everything[over]
    print(f"  {title}: real {shown(real)} / {shown(over_real)} = {real / over_real:.2f}x, "
          f"cpu {shown(cpu)} / {shown(over_cpu)} = {cpu / over_cpu:.2f}x: met {'yes' if cpu / over_cpu <= limit else 'NO'}")
    if cpu / over_cpu > limit:
        missed.append(name)
# The statement exported as a PDF: the window may go at most 100 ms without answering its events.
print()
print("PDF export (the longest gap of the window's event loop, over every repetition)")
for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as file:
        text = file.read()
    runs = json.loads(text)["benchmarks"] if text.strip() else []
    gaps = {}
    for run in runs:
        if run["run_name"].startswith("ExportPdf/") and "longest_gap_ms" in run and run.get("run_type") != "aggregate":
            gaps[label_of(run["run_name"])] = max(gaps.get(label_of(run["run_name"]), 0), run["longest_gap_ms"])
    for name, gap in sorted(gaps.items()):
        real, cpu = everything.get(name, (0, 0))
        print(f"  {name}: real {shown(real)}, cpu {shown(cpu)}, longest gap {gap:.0f} ms: met {'yes' if gap <= 100 else 'NO'}")
        if gap > 100:
            missed.append(name)
if missed:
    print("Targets missed: " + ", ".join(dict.fromkeys(missed)))
if failures:
    print("Benchmarks that failed their own check: " + ", ".join(failures))
    sys.exit(1)
PYTHON

# Start-up and peak memory need fresh processes, not repetitions inside one.
echo
"$(dirname "$0")/run-startup-bench.sh" "$build_dir"
