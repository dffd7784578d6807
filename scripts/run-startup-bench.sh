#!/usr/bin/env bash
# Start-up to the first paint, its CPU time and peak memory, at scale, beside their floor. Each run is a fresh
# process of BUILD_DIR/bench/startup_probe: "program" starts the main window as the program does, "bare" is the
# floor (the same controls with the same fonts, the first person's notes laid out, after the key derivation and
# one read). With Xvfb and BUILD_DIR/bench/first_paint_probe, "binary" runs the real program (a copy of
# BUILD_DIR/quentaril beside a copy of the ledger) on a virtual X server, timed from outside to its first drawing
# that shows the window's content (the server's filling of the new window with black comes before). The ledgers,
# 10,000 / 100,000 / 1,000,000 persons with a line of notes each, and 10,000 persons whose first has 1 / 10 /
# 50 MB of notes, are made once by quentaril-newledger and filled by the probe, then kept in BUILD_DIR/bench-cache
# (delete it to make them again).
#   scripts/run-startup-bench.sh BUILD_DIR
# STARTUP_RUNS (default 7) sets how many times each mode runs on each ledger; the tables give medians. One
# more run of each, not counted, comes first and brings the program and the ledger into the file cache. The
# modes and ledgers take turns, so that a slow moment of the machine spreads over all. QUICK=1 leaves out the
# million persons and the 50 MB notes.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build_dir=$1
probe="$build_dir/bench/startup_probe"
binary_probe="$build_dir/bench/first_paint_probe"
new_ledger="$build_dir/tools/quentaril-newledger"
results_dir="$build_dir/bench-results"
cache="$build_dir/bench-cache"
runs=${STARTUP_RUNS:-7}
for tool in "$probe" "$new_ledger"; do
    if [[ ! -x $tool ]]; then
        echo "$0: $tool is missing: build first" >&2
        exit 1
    fi
done
mkdir -p "$results_dir" "$cache"
work=$(mktemp -d)
xvfb=
trap '[[ -n $xvfb ]] && kill "$xvfb"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
modes=(program bare)
if [[ -x $binary_probe ]] && command -v Xvfb >/dev/null; then
    # Its own display number, chosen by the server; no window manager, as the probe expects.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for ((wait = 0; wait < 50; ++wait)); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    if [[ -s $work/display ]]; then
        binary_display=:$(<"$work/display")
        modes+=(binary)
    else
        echo "$0: Xvfb did not start: the real program is left out" >&2
    fi
else
    echo "$0: no $binary_probe or no Xvfb: the real program is left out" >&2
fi

# "PERSONS NOTES_MB" of the first person.
scales=("10000 0" "100000 0" "1000000 0" "10000 1" "10000 10" "10000 50")
if [[ ${QUICK:-} == 1 ]]; then
    scales=("10000 0" "100000 0" "10000 1" "10000 10")
fi

# The same folder names as bench_scale's (bench/ScaleLedgers.cpp), so each ledger is made once for both.
ledger_folder() {
    echo "$cache/ledger-$1p-$2MB"
}
for scale in "${scales[@]}"; do
    read -r persons megabytes <<<"$scale"
    folder=$(ledger_folder "$persons" "$megabytes")
    if [[ ! -f $folder/BDPLORN.mdb ]]; then
        echo "making $folder (once)"
        rm -rf "$folder.making"
        mkdir -p "$folder.making"
        "$new_ledger" "$folder.making/BDPLORN.mdb" >/dev/null
        "$probe" fill-ledger "$folder.making" "$persons" "$megabytes"
        mv "$folder.making" "$folder"
    fi
    # The real program reads the ledger beside it, and makes its daily backup there once it has drawn.
    if [[ " ${modes[*]} " == *" binary "* ]]; then
        mkdir -p "$work/binary-$persons-$megabytes"
        cp "$build_dir/quentaril" "$folder/BDPLORN.mdb" "$work/binary-$persons-$megabytes/"
    fi
done

results="$results_dir/startup_probe.txt"
: >"$results"
for ((run = 0; run <= runs; ++run)); do
    for scale in "${scales[@]}"; do
        read -r persons megabytes <<<"$scale"
        folder=$(ledger_folder "$persons" "$megabytes")
        for mode in "${modes[@]}"; do
            if [[ $mode == binary ]]; then
                command=(env -u QT_QPA_PLATFORM DISPLAY="$binary_display" "$binary_probe"
                    "$work/binary-$persons-$megabytes/quentaril")
            else
                command=("$probe" "$mode" "$folder")
            fi
            # Taken by the shell before it starts the probe: the probe counts its start-up from here.
            QUENTARIL_PROBE_LAUNCHED_US=${EPOCHREALTIME//[.,]/} "${command[@]}" >"$work/run.txt" \
                2>"$work/errors.txt" || {
                echo "$0: $mode on $folder failed:" >&2
                cat "$work/errors.txt" >&2
                exit 1
            }
            if ((run > 0)); then
                sed "s/^/${persons}p-${megabytes}MB $mode /" "$work/run.txt" >>"$results"
            fi
        done
    done
done

python3 - "$results" "$runs" <<'PYTHON'
import statistics
import sys

values = {}  # (scale, mode, kind, name) -> values
order = {}  # (scale, mode) -> phase names in order
for line in open(sys.argv[1], encoding="utf-8"):
    fields = line.split()
    scale, mode, kind = fields[0], fields[1], fields[2]
    if kind in ("total", "cpu"):
        key, value = (scale, mode, kind, kind), fields[3]
    else:
        key, value = (scale, mode, kind, fields[3]), fields[4]
        if kind == "phase":
            names = order.setdefault((scale, mode), [])
            if fields[3] not in names:
                names.append(fields[3])
    values.setdefault(key, []).append(float(value))
median = {key: statistics.median(v) for key, v in values.items()}
scales = list(dict.fromkeys(key[0] for key in values))


def figure(scale, mode, kind, name=None):
    return median.get((scale, mode, kind, name or kind))


def scale_title(scale):
    persons, notes = scale.split("-")
    persons = int(persons[:-1])
    return f"{persons:,} persons" + ("" if notes == "0MB" else f", first person's notes {notes[:-2]} MB")


print(f"Start-up to the window painted, CPU time and peak memory (medians of {sys.argv[2]} fresh processes each)")
header = ["ledger", "program real", "program cpu", "floor real", "floor cpu", "ratio real", "ratio cpu",
          "program VmHWM", "floor VmHWM"]
binary = any(key[1] == "binary" for key in values)
if binary:
    header += ["binary real", "binary cpu", "binary VmHWM"]
rows = []
for scale in scales:
    real, cpu = figure(scale, "program", "total"), figure(scale, "program", "cpu")
    floor_real, floor_cpu = figure(scale, "bare", "total"), figure(scale, "bare", "cpu")
    hwm, floor_hwm = figure(scale, "program", "memory", "VmHWM"), figure(scale, "bare", "memory", "VmHWM")
    rows.append([scale_title(scale), f"{real:.1f} ms", f"{cpu:.1f} ms", f"{floor_real:.1f} ms", f"{floor_cpu:.1f} ms",
                 f"{real / floor_real:.2f}x", f"{cpu / floor_cpu:.2f}x", f"{hwm / 1024:.1f} MiB",
                 f"{floor_hwm / 1024:.1f} MiB"])
    if binary:
        rows[-1] += [f"{figure(scale, 'binary', 'total'):.1f} ms", f"{figure(scale, 'binary', 'cpu'):.0f} ms",
                     f"{figure(scale, 'binary', 'memory', 'VmHWM') / 1024:.1f} MiB"]
widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
for row in [header] + rows:
    print("  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(row, widths))))

print()
print("Goals (checked on CPU time, which a busy machine changes far less than wall time; wall time beside it)")
goals = []
if "1000000p-0MB" in scales:
    cpu = figure("1000000p-0MB", "program", "cpu")
    goals.append(("start-up, 1,000,000 persons: CPU <= 600 ms", f"{cpu:.1f} ms "
                  f"(real {figure('1000000p-0MB', 'program', 'total'):.1f} ms)", cpu <= 600))
    hwm = figure("1000000p-0MB", "program", "memory", "VmHWM") / 1024
    goals.append(("peak memory, 1,000,000 persons: VmHWM <= 200 MiB", f"{hwm:.1f} MiB", hwm <= 200))
cpu, floor_cpu = figure("10000p-0MB", "program", "cpu"), figure("10000p-0MB", "bare", "cpu")
real, floor_real = figure("10000p-0MB", "program", "total"), figure("10000p-0MB", "bare", "total")
goals.append(("start-up, 10,000 persons, over its floor: <= 1.15x",
              f"cpu {cpu / floor_cpu:.2f}x (real {real / floor_real:.2f}x)", cpu / floor_cpu <= 1.15))
for title, shown, met in goals:
    print(f"  {title}: {shown}: met {'yes' if met else 'NO'}")
if binary:
    print("  (binary: the real program on Xvfb, launch to its first drawing that shows the window's content, CPU "
          "from /proc/PID/stat in 10 ms ticks)")

for scale in [s for s in ("10000p-0MB", "1000000p-0MB", "10000p-10MB") if s in scales]:
    print()
    print(f"Steps, {scale_title(scale)} (median ms, each since the step before)")
    names = []
    for mode in ("program", "bare"):
        place = 0
        for name in order.get((scale, mode), []):
            if name in names:
                place = names.index(name) + 1
            else:
                names.insert(place, name)
                place += 1
    table = [[name] + [f"{figure(scale, mode, 'phase', name):.2f}" if figure(scale, mode, "phase", name) is not None
                       else "" for mode in ("program", "bare")] for name in names]
    table.append(["launch to painted", f"{figure(scale, 'program', 'total'):.2f}", f"{figure(scale, 'bare', 'total'):.2f}"])
    table.append(["CPU time", f"{figure(scale, 'program', 'cpu'):.2f}", f"{figure(scale, 'bare', 'cpu'):.2f}"])
    head = ["step", "program", "floor"]
    widths = [max(len(row[i]) for row in table + [head]) for i in range(3)]
    for row in [head] + table:
        print("  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(row, widths))))
PYTHON
