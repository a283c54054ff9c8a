#!/usr/bin/env bash
# Whole-store export beside a plain copy of the same store: `edbgen --scale N` stores of the
# 2003/2007 and 2010 layouts, and a store holding one message with a 200 MB attachment.
# Reports seconds, messages and MB per second, peak memory, and the ratios the targets name
# (export / cp at most 5, --jobs 2 / --jobs 1 at most 0.65, peak memory under 300 MB).
# Usage: bench/export_bench.sh [BUILD_DIR] [MESSAGES (0: none)] [ATTACHMENT_MB]
set -euo pipefail
build=${1:-build}
messages=${2:-100000}
attachment_mb=${3:-200}
edbgen="$build/tools/edbgen/edbgen"
quorvine="$build/quorvine"
for tool in "$edbgen" "$quorvine"; do [ -x "$tool" ] || { echo "not built: $tool" >&2; exit 1; }; done
[ -x /usr/bin/time ] || { echo "/usr/bin/time (package time) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {  # measure COMMAND...: prints wall seconds (to the millisecond) and peak RSS (KB) of the command
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
    echo "failed: $*" >&2; cat "$work/stderr.txt" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v us=$(( (end - start) / 1000 )) -v kb="$(cat "$work/time.txt")" 'BEGIN { printf "%.3f %s\n", us / 1e6, kb }'
}

report() {  # report LABEL STORE MESSAGES
  local label=$1 store=$2 count=$3 mb
  mb=$(( $(stat -c %s "$store") / 1048576 ))
  # The floor: the store read from the page cache and written once, best of three copies
  # after the writes of its generation are on disk.
  sync
  cat "$store" >/dev/null
  cp_s=
  for _ in 1 2 3; do
    read -r s _ < <(measure cp "$store" "$work/copy/")
    rm -f "$work/copy/"*
    sync
    if [ -z "$cp_s" ] || awk -v a="$s" -v b="$cp_s" 'BEGIN { exit !(a < b) }'; then cp_s=$s; fi
  done
  read -r j1_s j1_kb < <(measure "$quorvine" export "$store" --out "$work/out1" --jobs 1)
  read -r j2_s j2_kb < <(measure "$quorvine" export "$store" --out "$work/out2" --jobs 2)
  cmp <(cd "$work/out1" && find . -type f -exec sha256sum {} + | sort) \
      <(cd "$work/out2" && find . -type f -exec sha256sum {} + | sort) >/dev/null || echo "  jobs 1 and 2 differ!"
  awk -v l="$label" -v n="$count" -v mb="$mb" -v cp="$cp_s" -v j1="$j1_s" -v j2="$j2_s" -v k1="$j1_kb" -v k2="$j2_kb" 'BEGIN {
    printf "%-30s %8d msgs %6d MB | cp %6.2fs | jobs1 %7.2fs %8.0f msg/s %6.1f MB/s %6.0f MB peak | jobs2 %7.2fs %6.0f MB peak | export/cp jobs1 %.2f jobs2 %.2f | jobs2/jobs1 %.2f\n",
      l, n, mb, cp, j1, (j1 > 0 ? n / j1 : 0), (j1 > 0 ? mb / j1 : 0), k1 / 1024, j2, k2 / 1024, (cp > 0 ? j1 / cp : 0), (cp > 0 ? j2 / cp : 0), (j1 > 0 ? j2 / j1 : 0) }'
  rm -rf "$work/out1" "$work/out2"
}

mkdir -p "$work/copy"
for g in 2007 2010; do
  [ "$messages" -gt 0 ] || break  # 0: the attachment stores only
  "$edbgen" --exchange "$g" --scale "$messages" --out "$work/scale$g.edb" >/dev/null
  report "scale $g" "$work/scale$g.edb" "$messages"
  rm -f "$work/scale$g.edb" "$work/scale$g.manifest.json"
done
# A 200 MB attachment both as filler text, which the 2010 layout stores compressed about
# 6 to 1 (so cp moves a sixth of the bytes the export writes), and as bytes that do not
# compress, as most large attachments (archives, pictures, video) are.
for kind in text random; do
  random=false
  [ "$kind" = random ] && random=true
  cat > "$work/big.json" <<JSON
{ "mailboxes": [ { "number": 101, "display_name": "Big", "folders": [ { "name": "Inbox", "class": "IPF.Note",
  "messages": [ { "subject": "big", "sender_name": "A", "sender_address": "a@example.com", "body": "see attachment",
    "date": "2011-03-07T14:05:09Z", "attachments": [ { "name": "big.bin", "size": $(( attachment_mb * 1048576 )), "random": $random } ] } ] } ] } ] }
JSON
  for g in 2007 2010; do
    "$edbgen" --exchange "$g" --scenario "$work/big.json" --out "$work/big$g.edb" >/dev/null
    report "${attachment_mb} MB $kind attachment $g" "$work/big$g.edb" 1
    rm -f "$work/big$g.edb" "$work/big$g.manifest.json"
  done
done
