#!/usr/bin/env bash
# Start-up time and peak memory of the main window beside their baselines. Each run is a fresh process of
# BUILD_DIR/bench/startup_probe, the modes taking turns so that a slow moment of the machine spreads over all.
#   scripts/run-startup-bench.sh BUILD_DIR
# STARTUP_RUNS (default 15) sets how many times each mode runs; the tables give medians. One more run of
# each, not counted, comes first and brings the program and the ledgers into the file cache.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
probe="$1/bench/startup_probe"
results_dir="$1/bench-results"
runs=${STARTUP_RUNS:-15}
if [[ ! -x $probe ]]; then
    echo "$0: $probe is missing: build first" >&2
    exit 1
fi
mkdir -p "$results_dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export QT_QPA_PLATFORM=offscreen
"$probe" make-ledger "$work/persons" 10000 0 >/dev/null
"$probe" make-ledger "$work/notes" 10000 10 >/dev/null

results="$results_dir/startup_probe.txt"
: >"$results"
for ((run = 0; run <= runs; ++run)); do
    for mode in program bare memory-program memory-bare; do
        case $mode in
        program | bare) target=$work/persons ;;
        memory-program) target=$work/notes ;;
        memory-bare) target=10 ;;
        esac
        # Taken by the shell before it starts the probe: the probe counts its start-up from here.
        QUENTARIL_PROBE_LAUNCHED_US=${EPOCHREALTIME//[.,]/} "$probe" "$mode" "$target" >"$work/run.txt" 2>"$work/errors.txt" || {
            echo "$0: startup_probe $mode failed:" >&2
            cat "$work/errors.txt" >&2
            exit 1
        }
        if ((run > 0)); then
            sed "s/^/$mode /" "$work/run.txt" >>"$results"
        fi
    done
done

python3 - "$results" "$runs" <<'PYTHON'
import statistics
import sys

TARGET = 1.3  # program over bare, start-up to the window painted
runs = {}  # (mode, kind, name) -> values, in the order first seen
for line in open(sys.argv[1], encoding="utf-8"):
    fields = line.split()
    if fields[1] == "total":
        key, value = (fields[0], "total", "total"), fields[2]
    else:
        key, value = (fields[0], fields[1], fields[2]), fields[3]
    runs.setdefault(key, []).append(float(value))
median = {key: statistics.median(values) for key, values in runs.items()}


def table(title, modes, kind, unit, scale=1.0):
    # Each mode's steps in their order, a step only one mode has placed after the one it follows.
    names = []
    for mode in modes:
        place = 0
        for name in dict.fromkeys(n for (m, k, n) in runs if k == kind and m == mode):
            if name in names:
                place = names.index(name) + 1
            else:
                names.insert(place, name)
                place += 1
    rows = [[name] + [f"{median[(mode, kind, name)] * scale:.2f}" if (mode, kind, name) in median else ""
                      for mode in modes] for name in names]
    header = [unit] + modes
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    print(title)
    for row in [header] + rows:
        print("  ".join(cell.ljust(w) if i == 0 else cell.rjust(w) for i, (cell, w) in enumerate(zip(row, widths))))
    print()


print(f"Start-up, 10,000 persons (median of {sys.argv[2]} runs; each step's time since the step before)")
table("", ["program", "bare"], "phase", "step (ms)")
program, bare = median[("program", "total", "total")], median[("bare", "total", "total")]
ratio = program / bare
print(f"launch to window painted: program {program:.2f} ms, bare {bare:.2f} ms, ratio {ratio:.2f}x, "
      f"target {TARGET:g}x, met: {'yes' if ratio <= TARGET else 'NO'}")
print()
table("Peak memory, 10,000 persons and 10 MB of notes shown (median)", ["memory-program", "memory-bare"],
      "memory", "MiB", 1 / 1024)
hwm_program, hwm_bare = median[("memory-program", "memory", "VmHWM")], median[("memory-bare", "memory", "VmHWM")]
print(f"VmHWM: program {hwm_program / 1024:.1f} MiB, bare QPlainTextEdit {hwm_bare / 1024:.1f} MiB, "
      f"ratio {hwm_program / hwm_bare:.2f}x")
print()
table("Start-up with 10 MB of notes shown first (median, ms)", ["memory-program", "memory-bare"], "phase",
      "step (ms)")
PYTHON
