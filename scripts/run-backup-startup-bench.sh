#!/usr/bin/env bash
# What the day's backup costs the first paint: the program's start-up on a ledger of PERSONS persons (default
# 1,000,000) with the backup made on its thread, beside the same start-up without it. Fresh processes, the two
# modes taking turns; medians of STARTUP_RUNS (default 9) runs each, after one uncounted run of each.
#   scripts/run-backup-startup-bench.sh BUILD_DIR [PERSONS]
set -euo pipefail

probe="$1/bench/startup_probe"
persons=${2:-1000000}
runs=${STARTUP_RUNS:-9}
cache="$1/bench-cache/startup-$persons"
export QT_QPA_PLATFORM=offscreen
if [[ ! -f $cache/BDPLORN.mdb ]]; then
    rm -rf "$cache"
    "$probe" make-ledger "$cache" "$persons" 0 >/dev/null
fi
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((run = 0; run <= runs; ++run)); do
    for mode in program program-backup; do
        rm -rf "$cache/BDPLORN-sauvegardes"
        QUENTARIL_PROBE_LAUNCHED_US=${EPOCHREALTIME//[.,]/} "$probe" "$mode" "$cache" >"$results.run"
        if ((run > 0)); then
            sed -n "s/^total /$mode /p" "$results.run" >>"$results"
        fi
    done
done
rm -f "$results.run"
python3 - "$results" "$persons" "$runs" <<'PYTHON'
import statistics, sys
values = {}
for line in open(sys.argv[1]):
    mode, value = line.split()[:2]
    values.setdefault(mode, []).append(float(value))
plain, backup = statistics.median(values["program"]), statistics.median(values["program-backup"])
print(f"launch to window painted, {int(sys.argv[2]):,} persons (median of {sys.argv[3]} runs): "
      f"without the backup {plain:.1f} ms, with it {backup:.1f} ms, {100 * (backup / plain - 1):+.1f} %")
PYTHON
