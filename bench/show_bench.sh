#!/usr/bin/env bash
# Times "quorvine show" on one message with a large attachment and a large HTML body, and
# reports its peak memory beside a plain read of the store file.
# Runs once per attachment size, so whether memory follows the attachment shows.
# Usage: bench/show_bench.sh [BUILD_DIR]
#   ATTACHMENT_MB (sizes, default "5 50"), HTML_MB (default 5), EXCHANGE (default "2007 2010")
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
html_mb="${HTML_MB:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One mailbox, one Inbox message: an HTML body of html_mb MB and one attachment of
# attachment_mb MB of edbgen's filler.
write_scenario() {
  python3 - "$work/scenario.json" "$1" "$html_mb" <<'PY'
import json, sys
path, attachment_mb, html_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
paragraph = "<p>Line of the benchmark body with <b>some</b> markup and a <a href='#x'>link</a>.</p>\n"
count = html_mb * 1024 * 1024 // len(paragraph)
html = "<html><head><title>bench</title></head><body>\n" + paragraph * count + "</body></html>\n"
scenario = {
    "description": "show benchmark: one message with a large HTML body and a large attachment",
    "mailboxes": [{"number": 101, "display_name": "Bench User", "folders": [{
        "name": "Inbox", "class": "IPF.Note", "messages": [{
            "subject": "Big message", "sender_name": "Bob Jones", "sender_address": "bob@example.org",
            "to": ["alice@example.com"], "date": "2011-03-07T14:05:09Z", "html": html,
            "attachments": [{"name": "big.bin", "size": attachment_mb * 1024 * 1024}]}]}]}]}
json.dump(scenario, open(path, "w"))
PY
}

# Runs a command under /usr/bin/time; prints "seconds peak_kb" to the named file.
timed() {
  local out="$1"
  shift
  /usr/bin/time -f '%e %M' -o "$out" "$@"
}

# One store of the given generation and attachment size: "cat" of it, then "show" of its message.
bench_one() {
  local exchange="$1" attachment_mb="$2"
  local store="$work/show$exchange.edb"
  "$build/tools/edbgen/edbgen" --exchange "$exchange" --scenario "$work/scenario.json" --out "$store"
  local folder store_mb
  folder="$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["folders"][0]["path"])' \
    "${store%.edb}.manifest.json")"
  store_mb="$(stat -c %s "$store" | awk '{printf "%.1f", $1 / 1048576}')"

  # A cold page cache is not ours to ask for; read the file once so both runs see it warm.
  cat "$store" >/dev/null
  timed "$work/t_cat" sh -c "cat '$store' >/dev/null"
  rm -rf "$work/out"
  XDG_DATA_HOME="$work/data" TMPDIR="$work" timed "$work/t_show" \
    "$build/quorvine" show "$store" --exchange "$exchange" --folder "$folder" --row 1 --out "$work/out" --json \
    >"$work/show.json"
  local cat_s cat_kb show_s show_kb
  read -r cat_s cat_kb <"$work/t_cat"
  read -r show_s show_kb <"$work/t_show"
  python3 - "$exchange" "$attachment_mb" "$store_mb" "$cat_s" "$show_s" "$show_kb" "$work/show.json" <<'PY'
import json, os, sys
exchange, attachment_mb, store_mb, cat_s, show_s, show_kb, shown = sys.argv[1:]
shown = json.load(open(shown))
body = shown["body"]
label = f"{exchange} / {attachment_mb} MB attachment:"
print(f"{label} store {store_mb} MB; body {body['kind']} {os.path.getsize(body['file']) / 1048576:.1f} MB; "
      + ", ".join(f"{a['name']} {a['size'] / 1048576:.1f} MB" for a in shown["attachments"]))
print(f"{label} cat STORE > /dev/null {float(cat_s):6.2f} s")
print(f"{label} quorvine show         {float(show_s):6.2f} s  peak {int(show_kb) / 1024:7.1f} MB")
PY
  rm -rf "$work/out" "$store" "${store%.edb}.manifest.json"
}

for attachment_mb in ${ATTACHMENT_MB:-5 50}; do
  write_scenario "$attachment_mb"
  for exchange in ${EXCHANGE:-2007 2010}; do
    bench_one "$exchange" "$attachment_mb"
  done
done
