#!/usr/bin/env bash
# Remakes the seeds of jet_reader_fuzzer in fuzz/jet_seeds with the project's Jet writer: small ledgers of
# tblPlorn in Jet 3 and Jet 4, with Memos in the row, in one long-value row and on a chain of them, plain,
# compressed and RC4-encoded.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
writer="$here/../tests/jet/make_jet_ledger.py"
out="$here/jet_seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/rows.json" <<'ROWS'
[{"NomPers": "Varnokel", "LesPlorns": "Bienvenue\r\nligne 2"},
 {"NomPers": "Émile", "LesPlorns": {"text": "Prêt de 20 € à l\"ami, rendu le 12/03", "store": "lval"}},
 {"NomPers": "alice", "LesPlorns": {"text": "0001 prêté 5 €\r\n0002 rendu 2 €\r\n0003 prêté 7 €\r\n0004 rendu 10 €\r\n0005 soldé", "store": "chain", "piece": 24}},
 {"NomPers": "Bob", "LesPlorns": null},
 {"NomPers": "Zoé", "LesPlorns": ""}]
ROWS

mkdir -p "$out"
write() {
    local name=$1
    shift
    python3 "$writer" --rows "$work/rows.json" --password KQZTRWX -o "$out/$name.mdb" "$@"
}
write jet3 --jet 3
write jet4 --jet 4
write jet4-compressed --jet 4 --compressed-text always
write jet3-rc4 --jet 3 --encode-pages 0x5A3C91E7
write jet4-rc4 --jet 4 --encode-pages 0x5A3C91E7
