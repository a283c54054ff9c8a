#!/usr/bin/env bash
# Times listing a folder of 20,000 messages beside a bare libesedb loop over the same
# records: a 2003/2007 store (message index of 100,000 messages, 20,000 attachments) and a
# 2010 store made from the same scenario. Target: listing <= 3 x the bare loop.
#
#   bench/list_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
work="${2:-$(mktemp -d)}"
repeats=3
edbgen="$build/tools/edbgen/edbgen"
timing="$build/bench/bench_list_folder_timing"
bare="$build/bench/bench_list_bare_loop"
quorvine="$build/quorvine"
for p in "$edbgen" "$timing" "$bare" "$quorvine"; do
  [ -x "$p" ] || { echo "missing $p (build edbgen, quorvine and the list benches first)" >&2; exit 1; }
done
mkdir -p "$work"

# Mailbox 1 holds one folder of 20,000 messages; mailboxes 2-6 hold 80,000 more in four
# folders each. Every fifth message has one small attachment: 20,000 in all.
python3 - "$work/list_bench.json" <<'PY'
import json, sys
def message(i):
    m = {"subject": f"Quarterly report {i}", "sender_name": f"Sender {i % 97}",
         "sender_address": f"sender{i % 97}@example.com",
         "to": [{"name": f"Rcpt {i % 31}", "address": f"rcpt{i % 31}@example.org"}],
         "date": 129440000000000000 + i * 600000000,
         "body": f"Body of message {i}. " * 8}
    if i % 5 == 0:
        m["attachments"] = [{"name": f"file{i}.txt", "content": "x" * 64}]
    return m
n = 0
def folder(name, count):
    global n
    msgs = [message(n + k) for k in range(count)]
    n += count
    return {"name": name, "class": "IPF.Note", "messages": msgs}
mailboxes = [{"number": 1001, "display_name": "Bench Big", "folders": [folder("Big", 20000)]}]
for b in range(2, 7):
    mailboxes.append({"number": 1000 + b, "display_name": f"Bench {b}",
                      "folders": [folder(f"F{k}", 4000) for k in range(4)]})
json.dump({"description": "list benchmark", "mailboxes": mailboxes}, open(sys.argv[1], "w"))
PY

best() { sort -n | head -1; }

run_generation() {
  local gen="$1" store="$work/list$1.edb"
  echo "== Exchange $gen"
  /usr/bin/time -f "edbgen: %e s, %M KB peak" "$edbgen" --exchange "$gen" --scenario "$work/list_bench.json" --out "$store"
  TZ=UTC LC_ALL=C "$quorvine" list "$store" --exchange "$gen" --folder "Bench Big/Big" --json > "$work/rows$gen.json" 2>/dev/null
  python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['rows']; print('rows listed by quorvine list:', len(r))" "$work/rows$gen.json"
  local list_ms=() bare_ms=()
  local out
  out="$("$timing" "$store" "$gen" "Bench Big/Big" 1)"
  echo "$out"
  for _ in $(seq $repeats); do
    list_ms+=("$("$timing" "$store" "$gen" "Bench Big/Big" 1 | sed -n 's/^list: .* \([0-9.]*\) ms cpu$/\1/p')")
  done
  if [ "$gen" = 2007 ]; then
    python3 -c "import json,sys; [print(r['mail_number']) for r in json.load(open(sys.argv[1]))['rows']]" "$work/rows$gen.json" > "$work/msg_records.txt"
    local args=("$store" "1-*" "S42,S4031,N67bd,N67be,S1a,Te06,T3007,T39,S1000,N67b0,Se1d,S3d,Be1b,Le23,N67b9,N67ba"
                "Msg" "S7d,N67b4,N67b5" "$work/msg_records.txt")
  else
    local args=("$store" "MsgHeader*" "Q6748,N67b0,Se04,Se1d,S3d,S70,S1a,Be1b,Te06,T3007,T39,S42")
  fi
  "$bare" "${args[@]}"
  for _ in $(seq $repeats); do
    bare_ms+=("$("$bare" "${args[@]}" | sed -n 's/^bare loop: .* \([0-9.]*\) ms cpu$/\1/p')")
  done
  local l b
  l="$(printf '%s\n' "${list_ms[@]}" | best)"
  b="$(printf '%s\n' "${bare_ms[@]}" | best)"
  python3 -c "import sys; l,b=float(sys.argv[1]),float(sys.argv[2]); print(f'Exchange {sys.argv[3]}: processor time, best of {sys.argv[4]}: list {l:.1f} ms, bare loop {b:.1f} ms, ratio {l/b:.2f} (target <= 3)')" "$l" "$b" "$gen" "$repeats"
  if [ "$gen" = 2010 ]; then
    # Listing no longer reads the body table; the first preview or export does. Show what
    # that later load costs beside a bare loop over the body records.
    local load_ms=() body_ms=() ld bb
    for _ in $(seq $repeats); do
      load_ms+=("$("$timing" "$store" "$gen" "Bench Big/Big" 1 | sed -n 's/^bodies: .* \([0-9.]*\) ms cpu$/\1/p')")
    done
    local body_args=("$store" "Body*" "N67b0,L3705,S3707,S3001,N67b3,N65f9")
    "$bare" "${body_args[@]}"
    for _ in $(seq $repeats); do
      body_ms+=("$("$bare" "${body_args[@]}" | sed -n 's/^bare loop: .* \([0-9.]*\) ms cpu$/\1/p')")
    done
    ld="$(printf '%s\n' "${load_ms[@]}" | best)"
    bb="$(printf '%s\n' "${body_ms[@]}" | best)"
    python3 -c "import sys; l,b=float(sys.argv[1]),float(sys.argv[2]); print(f'Exchange 2010 body and attachment lists (first preview or export, not listing): load {l:.1f} ms, bare loop {b:.1f} ms, ratio {l/b:.2f}')" "$ld" "$bb"
  fi
}

run_generation 2007
run_generation 2010
