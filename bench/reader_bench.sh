#!/usr/bin/env bash
# Times the reading layer on generated stores where one mailbox holds most messages: cat of
# the cached file, a full pass over the biggest tables, quorvine scan, quorvine list of the
# biggest folder and (at small sizes) a bare libesedb loop over the same tables.
# Targets: scan <= 3 x cat, list <= 5 x cat, time per record at the largest size within
# 1.5 x that at the smallest, peak memory < 300 MB.
#
#   bench/reader_bench.sh [BUILD_DIR]
#   SIZES="20000 100000 500000"  GENERATIONS="2007 2010"  BIG_PERCENT=90
#   LIBESEDB_MAX=100000 (largest size the libesedb loop runs at)  WORK_DIR=(a new temp folder)
#   LIBESEDB_TIMEOUT=0 (seconds after which a libesedb loop is stopped and shown as "> N"; 0: none)
#   PASS_REPEATS=3 (runs of each table pass), RUN_REPEATS=2 (runs of scan and list); the fastest counts
# One store is generated at a time and deleted after it has been measured.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
sizes="${SIZES:-20000 100000 500000}"
generations="${GENERATIONS:-2007 2010}"
big="${BIG_PERCENT:-90}"
libesedb_max="${LIBESEDB_MAX:-100000}"
libesedb_timeout="${LIBESEDB_TIMEOUT:-0}"
work="${WORK_DIR:-$(mktemp -d)}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
results="$work/results.jsonl"
: >"$results"

edbgen="$build/tools/edbgen/edbgen"
quorvine="$build/quorvine"
pass="$build/bench/bench_table_pass"
bare="$build/bench/bench_bare_libesedb_loop"
for p in "$edbgen" "$quorvine" "$pass" "$bare"; do
  [ -x "$p" ] || { echo "missing $p (build edbgen, quorvine and the benches first)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "/usr/bin/time (package time) is needed" >&2; exit 1; }
export XDG_DATA_HOME="$work/data" TMPDIR="$work/tmp" TZ=UTC LC_ALL=C
mkdir -p "$XDG_DATA_HOME" "$TMPDIR"

# timed NAME COMMAND...: runs COMMAND, stdout to $work/NAME.out (or to $out); appends NAME's wall seconds
# (to the microsecond; /usr/bin/time counts in hundredths), processor seconds and peak KB
# to $work/times.
timed() {
  local name="$1" start end
  shift
  start=$(date +%s%N)
  if /usr/bin/time -f "%U %S %M" -o "$work/$name.time" "$@" >"${out:-$work/$name.out}" 2>"$work/$name.err"; then
    end=$(date +%s%N)
    echo "$name $(( (end - start) / 1000 )) $(tail -1 "$work/$name.time")" >>"$work/times"
  else
    echo "  $name failed or timed out: $(grep -v '^Command' "$work/$name.err" | tail -1)" >&2
    echo "$name failed $(( ($(date +%s%N) - start) / 1000 ))" >>"$work/times"
  fi
}

# Bytes per message of a --scale store, with room to spare.
bytes_per_message() { [ "$1" = 2007 ] && echo 30000 || echo 14000; }

for size in $sizes; do
  for gen in $generations; do
    echo "== $size messages, Exchange $gen"
    store="$work/store$gen-$size.edb"
    need=$(( size * $(bytes_per_message "$gen") ))
    avail=$(( $(df -Pk "$work" | awk 'NR == 2 {print $4}') * 1024 ))
    if [ "$need" -gt "$avail" ]; then
      echo "  skipped: needs about $(( need >> 20 )) MB, $(( avail >> 20 )) MB free"
      continue
    fi
    : >"$work/times"
    timed edbgen "$edbgen" --exchange "$gen" --scale "$size" --big-mailbox "$big" --out "$store"
    [ -f "$store" ] || continue
    folder="$(python3 -c '
import json, sys
m = json.load(open(sys.argv[1]))
f = max(m["folders"], key=lambda f: f["row_count"])
print(f["path"])' "${store%.edb}.manifest.json")"

    cat "$store" >/dev/null
    out=/dev/null timed cat cat "$store"
    if [ "$gen" = 2007 ]; then tables=("Msg" "1-*"); else tables=("MsgHeader-*" "Body-*"); fi
    # Passes are short: the best of PASS_REPEATS (default 3) counts.
    for k in "${!tables[@]}"; do
      : >"$work/pass$k.all"
      for _ in $(seq "${PASS_REPEATS:-3}"); do
        timed "pass$k" "$pass" "$store" "${tables[$k]}"
        cat "$work/pass$k.out" >>"$work/pass$k.all"
      done
    done
    # A single run of scan or list is at the mercy of whatever else the machine does at that
    # moment: the best of RUN_REPEATS (default 2) counts, each from an empty work folder.
    for _ in $(seq "${RUN_REPEATS:-2}"); do
      rm -rf "$XDG_DATA_HOME/Quorvine"
      timed scan "$quorvine" scan "$store" --exchange "$gen" --json
      timed list "$quorvine" list "$store" --exchange "$gen" --folder "$folder"
    done
    if [ "$size" -le "$libesedb_max" ]; then
      for k in "${!tables[@]}"; do
        table="$(sed -n 's/^table \(.*\): [0-9]* records.*/\1/p' "$work/pass$k.out")"
        if [ "$gen" = 2007 ]; then columns=(N67b0 N67b3); else columns=(N67b0 Se1d); fi
        [ -n "$table" ] && timed "bare$k" timeout "$libesedb_timeout" "$bare" "$store" "$table" "${columns[@]}"
      done
    fi
    python3 - "$work" "$size" "$gen" "$store" "$folder" "${tables[@]}" >>"$results" <<'PY'
import json, os, sys
work, size, gen, store, folder, *tables = sys.argv[1:]
row = {"size": int(size), "gen": gen, "store_mb": os.path.getsize(store) / 1048576, "folder": folder,
       "load": os.getloadavg()[0]}
# A measure run several times keeps its fastest run; a failed run counts only when all failed.
for line in open(os.path.join(work, "times")):
    name, *v = line.split()
    if v[0] == "failed":
        row.setdefault(name, {"failed_after": int(v[1]) / 1e6})
        continue
    run = {"wall": int(v[0]) / 1e6, "cpu": float(v[1]) + float(v[2]), "peak_mb": int(v[3]) / 1024}
    if "wall" not in row.get(name, {}) or run["wall"] < row[name]["wall"]:
        row[name] = run
def out(name):
    p = os.path.join(work, name + ".out")
    return open(p).read() if os.path.exists(p) else ""
for k, pattern in enumerate(tables):
    text = out(f"pass{k}")
    if f"pass{k}" in row and "records" in text:
        first = text.splitlines()[0]
        records = int(first.split(": ")[1].split()[0])
        runs = open(os.path.join(work, f"pass{k}.all")).read().splitlines()
        best_us = min(float(l.split("; ")[-1].split()[0]) for l in runs if "per record" in l)
        count_s = min(float(l.split("open and count ")[1].split()[0]) for l in runs if "open and count" in l)
        row[f"pass{k}"].update(table=first.split(":")[0][len("table "):], records=records, seconds=best_us * records / 1e6,
                               open_count=count_s)
    bare = out(f"bare{k}")
    if f"bare{k}" in row and bare.startswith("records"):
        f = bare.split()
        row[f"bare{k}"].update(records=int(f[1]), seconds=float(f[6]))
if "scan" in row:
    s = json.loads(out("scan"))
    row["scan"].update(indexed=s.get("messages_indexed"), warnings=len(s.get("warnings", [])))
if "list" in row:
    last = out("list").rstrip().rsplit("\n", 1)[-1].split()
    row["list"]["rows"] = int(last[0]) if last and last[0].isdigit() else None
print(json.dumps(row))
PY
    tail -1 "$results"
    rm -f "$store" "${store%.edb}.manifest.json" "$work"/*.out "$work"/*.all
    rm -rf "$XDG_DATA_HOME/Quorvine"
  done
done

python3 - "$results" <<'PY'
import json, sys
rows = [json.loads(l) for l in open(sys.argv[1])]
ok = lambda b: "ok" if b else "MISSED"
def t(r, n, key="wall"):
    return r.get(n, {}).get(key)
def f(x, fmt="{:.2f}"):
    return "-" if x is None else fmt.format(x)
print("\nTimes: wall seconds (processor seconds in brackets); peak MB: the most any measured command held;")
print("pass = full pass over the table, every column built (open and count not included; best of 3);")
print("open+count = opening the store and the walk that finds every record's position (best of 3);")
print("libesedb = bare loop over two columns of the same table; speed-up = libesedb loop / reader pass.\n")
print("scan and list: best of RUN_REPEATS (default 2); load: 1-minute load average when the store was done.\n")
print("| messages | Exchange | store MB | cat | scan | list (rows) | scan/cat (<=3) | list/cat (<=5) | peak MB | edbgen s | load |")
print("|---|---|---|---|---|---|---|---|---|---|---|")
for r in rows:
    cat, scan, lst = t(r, "cat"), t(r, "scan"), t(r, "list")
    peak = max((v["peak_mb"] for k, v in r.items() if isinstance(v, dict) and "peak_mb" in v and k != "edbgen"),
               default=None)
    sc = scan / cat if scan and cat else None
    lc = lst / cat if lst and cat else None
    print(f"| {r['size']:,} | {r['gen']} | {r['store_mb']:.0f} | {f(cat)} ({f(t(r,'cat','cpu'))}) | {f(scan)} ({f(t(r,'scan','cpu'))}) "
          f"| {f(lst)} ({f(t(r,'list','cpu'))}; {r.get('list', {}).get('rows', '-')}) "
          f"| {f(sc, '{:.1f}')} {ok(sc is not None and sc <= 3)} | {f(lc, '{:.1f}')} {ok(lc is not None and lc <= 5)} "
          f"| {f(peak, '{:.0f}')} {ok(peak is not None and peak < 300)} | {f(t(r, 'edbgen'), '{:.0f}')} "
          f"| {f(r.get('load'))} |")
print("\n| messages | Exchange | table | records | open+count s | pass s | us/record | libesedb loop s | speed-up | pass peak MB |")
print("|---|---|---|---|---|---|---|---|---|---|")
for r in rows:
    for k in range(2):
        p, b = r.get(f"pass{k}"), r.get(f"bare{k}")
        if not p or "records" not in p:
            continue
        us = p["seconds"] * 1e6 / max(p["records"], 1)
        bs = b["seconds"] if b and "seconds" in b else None
        gt = b["failed_after"] if b and "failed_after" in b else None
        loop = f(bs, "{:.2f}") if gt is None else f"> {gt:.0f} (stopped)"
        speed = (bs or gt) / p["seconds"] if (bs or gt) and p["seconds"] else None
        print(f"| {r['size']:,} | {r['gen']} | {p['table']} | {p['records']:,} | {f(p.get('open_count'), '{:.3f}')} "
              f"| {p['seconds']:.3f} | {us:.2f} "
              f"| {loop} | {'> ' if gt else ''}{f(speed, '{:.0f}x')} | {p['peak_mb']:.0f} |")
print("\nLinearity: time per record at the largest size / at the smallest (target <= 1.5)\n")
for gen in sorted({r["gen"] for r in rows}):
    rs = sorted((r for r in rows if r["gen"] == gen), key=lambda r: r["size"])
    if len(rs) < 2:
        continue
    lo, hi = rs[0], rs[-1]
    def per(r, what):
        if what.startswith("pass"):
            p = r.get(what)
            return p["seconds"] / p["records"] if p and p.get("records") else None
        v = t(r, what)
        n = r.get("list", {}).get("rows") if what == "list" else r["size"]
        return v / n if v and n else None
    for what, label in (("pass0", "pass " + (lo.get("pass0") or {}).get("table", "")),
                        ("pass1", "pass " + (lo.get("pass1") or {}).get("table", "")),
                        ("scan", "scan per message"), ("list", "list per row")):
        a, b = per(lo, what), per(hi, what)
        if a and b:
            print(f"- Exchange {gen}, {label}: {b * 1e6:.2f} us at {hi['size']:,} / {a * 1e6:.2f} us at {lo['size']:,}"
                  f" = {b / a:.2f} ({ok(b / a <= 1.5)})")
PY
