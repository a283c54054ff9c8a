#!/usr/bin/env bash
# Times the scan's index pass on one generated 2003/2007 store against esedbexport
# exporting the same two tables and against a bare libesedb loop over the same columns.
# Usage: bench/scan_bench.sh [BUILD_DIR]   (SCALE=N for another store size; default 100000)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
scale="${SCALE:-100000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
store="$work/bench.edb"

echo "store: edbgen --scale $scale --exchange 2007"
"$build/tools/edbgen/edbgen" --exchange 2007 --scale "$scale" --out "$store"
ls -l "$store" | awk '{printf "store size: %.1f MB\n", $5 / 1048576}'

# Runs a command under /usr/bin/time; prints "seconds peak_kb" to the named file.
timed() {
  local out="$1"
  shift
  /usr/bin/time -f '%e %M' -o "$out" "$@"
}

# 1. quorvine scan (its JSON also names the attachment table and counts the index).
XDG_DATA_HOME="$work/data" TMPDIR="$work" timed "$work/t_scan" \
  "$build/quorvine" scan "$store" --exchange 2007 --json >"$work/scan.json" 2>"$work/scan.err"
read -r scan_s scan_kb <"$work/t_scan"
att="$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["attachment_table"])' "$work/scan.json")"
python3 - "$work/scan.json" <<'PY'
import json, sys
out = json.load(open(sys.argv[1]))
print(f"scan indexed {out['messages_indexed']} messages, {out['attachments_indexed']} attachments"
      f" (attachment table {out['attachment_table']!r})")
for w in out["warnings"]:
    print("scan warning:", w)
PY

# 2. esedbexport of "Msg" and the attachment table.
timed "$work/t_exp1" esedbexport -t "$work/exp1" -T Msg "$store" >/dev/null 2>"$work/exp1.err" ||
  echo "esedbexport Msg failed: $(tail -1 "$work/exp1.err")"
timed "$work/t_exp2" esedbexport -t "$work/exp2" -T "$att" "$store" >/dev/null 2>"$work/exp2.err" ||
  echo "esedbexport $att failed: $(tail -1 "$work/exp2.err")"
read -r exp1_s exp1_kb <"$work/t_exp1"
read -r exp2_s exp2_kb <"$work/t_exp2"
rm -rf "$work/exp1.export" "$work/exp2.export"

# 3. The bare loop over the same columns.
timed "$work/t_bare" "$build/bench/bench_bare_libesedb_loop" "$store" \
  Msg N67b0 N67b3 "$att" Q3f88 S3001 >"$work/bare.out"
read -r bare_s bare_kb <"$work/t_bare"
echo "bare loop: $(cat "$work/bare.out")"

python3 - "$scan_s" "$scan_kb" "$exp1_s" "$exp2_s" "$bare_s" "$bare_kb" <<'PY'
import sys
scan, scan_kb, exp1, exp2, bare, bare_kb = map(float, sys.argv[1:])
exp = exp1 + exp2
print(f"quorvine scan      {scan:8.2f} s  peak {scan_kb / 1024:7.1f} MB")
print(f"esedbexport (2)    {exp:8.2f} s  (Msg {exp1:.2f} s + attachments {exp2:.2f} s)")
print(f"bare libesedb loop {bare:8.2f} s  peak {bare_kb / 1024:7.1f} MB")
ok = lambda b: "ok" if b else "MISSED"
print(f"scan / esedbexport = {scan / exp:.3f}  (target <= 0.25: {ok(scan <= exp / 4)})")
print(f"scan / bare loop   = {scan / bare:.3f}  (target <= 1.5: {ok(scan <= 1.5 * bare)})")
print(f"scan peak memory   = {scan_kb / 1024:.1f} MB (target < 300 MB: {ok(scan_kb < 300 * 1024)})")
PY
