#!/usr/bin/env bash
# Whole-store export against the copying no export can avoid. For `edbgen --scale N` stores of
# the 2003/2007 and 2010 layouts (and, when asked, a store holding one large attachment):
#
#   floor = cp of the store into a tmpfs + cp, within the tmpfs, of one file as large as the
#           exported tree; warm, best of three, measured in the same run as the exports.
#
# Prints the export with its output on the tmpfs at --jobs 2 and --jobs 1 as ratios to the
# floor (each export best of three like the copies, and its first run apart: on a virtual
# machine that hands freed memory back to its host, writing into fresh pages of a tmpfs costs
# several times what rewriting just-freed ones does), the --jobs 2 export with its output on disk (against the tmpfs floor, and against the
# same two copies made on disk and synced), processor time (user + sys) per message,
# --jobs 2 / --jobs 1, peak memory, and whether --jobs 1 and --jobs 2 wrote the same bytes.
# Targets: tmpfs --jobs 2 <= 5 x floor, --jobs 1 <= 8 x floor, --jobs 2 / --jobs 1 <= 0.6,
# peak memory < 300 MB, identical output.
#
# Usage: bench/export_bench.sh [BUILD_DIR] [MESSAGES] [ATTACHMENT_MB]
#   MESSAGES       messages of each generation's store (default 100000; 0: none)
#   ATTACHMENT_MB  also a store with one attachment of this size, text and random (default 0)
#   LINEAR=M       afterwards, per generation, the cost per message of an M-message store beside
#                  the MESSAGES one (export --jobs 2, output on disk: an M = 500000 2007 store is
#                  13 GB, its export as large, and both do not fit a tmpfs and the page cache)
#   TMPFS=DIR      the tmpfs (default /dev/shm); the stores and the disk output go below $TMPDIR
set -euo pipefail
build=${1:-build}
messages=${2:-100000}
attachment_mb=${3:-0}
linear=${LINEAR:-0}
tmpfs=${TMPFS:-/dev/shm}
edbgen="$build/tools/edbgen/edbgen"
quorvine="$build/quorvine"
for tool in "$edbgen" "$quorvine"; do [ -x "$tool" ] || { echo "not built: $tool" >&2; exit 1; }; done
[ -x /usr/bin/time ] || { echo "/usr/bin/time (package time) is needed" >&2; exit 1; }
disk=$(mktemp -d)
mem=$(mktemp -d -p "$tmpfs")
trap 'rm -rf "$disk" "$mem"' EXIT

# run COMMAND...: sets wall (s), cpu (user+sys, s) and peak (KB) of the command.
run() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%U %S %M' -o "$disk/time.txt" "$@" >/dev/null 2>"$disk/stderr.txt" || {
    echo "failed: $*" >&2; cat "$disk/stderr.txt" >&2; exit 1; }
  end=$(date +%s%N)
  wall=$(awk -v ns=$(( end - start )) 'BEGIN { printf "%.3f", ns / 1e9 }')
  read -r user sys peak < "$disk/time.txt"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}

# best_of_three OUT COMMAND...: COMMAND three times, OUT (what it writes) removed before each:
# the first run writes into memory the kernel has to fetch afresh, the others into the pages
# the run before them gave back. Sets wall, cpu and peak of the fastest run and first (s) of
# the first; OUT keeps the last run's output.
best_of_three() {
  local out=$1 i best= best_cpu= best_peak=
  shift
  for i in 1 2 3; do
    rm -rf "$out"
    run "$@"
    [ "$i" = 1 ] && first=$wall
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$wall best_cpu=$cpu best_peak=$peak
    fi
  done
  wall=$best cpu=$best_cpu peak=$best_peak
}

# best_copy FROM TO [sync]: the best wall time of three copies (synced when asked); TO removed.
best_copy() {
  if [ "${3:-}" = sync ]; then best_of_three "$2" sh -c 'cp "$1" "$2" && sync "$2"' sh "$1" "$2"
  else best_of_three "$2" cp "$1" "$2"; fi
  rm -f "$2"
  echo "$wall"
}

tree_digest() { (cd "$1" && find . -type f -exec sha256sum {} + | sort | sha256sum); }
tree_bytes() { find "$1" -type f -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }'; }

# bench LABEL STORE MESSAGES: prints one line of figures.
bench() {
  local label=$1 store=$2 count=$3
  cat "$store" >/dev/null  # warm
  local first
  best_of_three "$mem/out2" "$quorvine" export "$store" --out "$mem/out2" --jobs 2
  local j2=$wall j2_cpu=$cpu j2_kb=$peak j2_first=$first same=yes
  local digest2; digest2=$(tree_digest "$mem/out2")
  rm -rf "$mem/out2"
  best_of_three "$mem/out1" "$quorvine" export "$store" --out "$mem/out1" --jobs 1
  local j1=$wall j1_cpu=$cpu j1_kb=$peak j1_first=$first
  [ "$(tree_digest "$mem/out1")" = "$digest2" ] || same=NO
  local tree_b; tree_b=$(tree_bytes "$mem/out1")
  # One file as large as the exported tree, made of its bytes.
  find "$mem/out1" -type f -print0 | sort -z | xargs -0 cat > "$mem/tree"
  rm -rf "$mem/out1"
  local cp_store cp_tree
  cp_store=$(best_copy "$store" "$mem/store")
  cp_tree=$(best_copy "$mem/tree" "$mem/tree.copy")
  # The same two copies on disk, synced as the export syncs its files.
  mv "$mem/tree" "$disk/tree"
  local disk_store disk_tree
  disk_store=$(best_copy "$store" "$disk/store" sync)
  disk_tree=$(best_copy "$disk/tree" "$disk/tree.copy" sync)
  rm -f "$disk/tree"
  run "$quorvine" export "$store" --out "$disk/out" --jobs 2
  local jd=$wall
  rm -rf "$disk/out"
  awk -v l="$label" -v n="$count" -v sb="$(stat -c %s "$store")" -v tb="$tree_b" \
      -v cs="$cp_store" -v ct="$cp_tree" -v ds="$disk_store" -v dt="$disk_tree" \
      -v j1="$j1" -v j2="$j2" -v jd="$jd" -v f1="$j1_first" -v f2="$j2_first" -v c1="$j1_cpu" -v c2="$j2_cpu" -v k1="$j1_kb" -v k2="$j2_kb" -v same="$same" 'BEGIN {
    floor = cs + ct; dfloor = ds + dt; n = (n > 0 ? n : 1)
    printf "%s: %d msgs, store %.0f MB, exported %.0f MB\n", l, n, sb / 1048576, tb / 1048576
    printf "  floor (tmpfs) %.3fs = cp store %.3fs + cp tree %.3fs | on disk, synced %.3fs\n", floor, cs, ct, dfloor
    printf "  tmpfs jobs2 %.2fs = %.2f x floor (<= 5) | jobs1 %.2fs = %.2f x floor (<= 8) | jobs2/jobs1 %.2f (<= 0.6)\n", j2, j2 / floor, j1, j1 / floor, j2 / j1
    printf "  first of the three runs (fresh memory): tmpfs jobs2 %.2fs = %.2f x floor | jobs1 %.2fs = %.2f x floor\n", f2, f2 / floor, f1, f1 / floor
    printf "  disk  jobs2 %.2fs = %.2f x tmpfs floor, %.2f x disk floor\n", jd, jd / floor, jd / dfloor
    printf "  cpu per message: jobs1 %.1f us, jobs2 %.1f us | peak jobs1 %.0f MB, jobs2 %.0f MB (< 300) | jobs1 = jobs2 bytes: %s\n", c1 * 1e6 / n, c2 * 1e6 / n, k1 / 1024, k2 / 1024, same
  }'
}

# per_message LABEL STORE MESSAGES: the export --jobs 2 to disk, wall and processor time per message and peak memory.
per_message() {
  cat "$2" >/dev/null
  run "$quorvine" export "$2" --out "$disk/out" --jobs 2
  rm -rf "$disk/out"
  awk -v l="$1" -v n="$3" -v w="$wall" -v c="$cpu" -v k="$peak" 'BEGIN { printf "  %s: %d msgs, %.2fs, %.1f us wall and %.1f us cpu per message, peak %.0f MB\n", l, n, w, w * 1e6 / n, c * 1e6 / n, k / 1024 }'
}

for g in 2007 2010; do
  [ "$messages" -gt 0 ] || break
  store="$disk/scale$g.edb"
  "$edbgen" --exchange "$g" --scale "$messages" --out "$store" >/dev/null
  bench "scale $g" "$store" "$messages"
  if [ "$linear" -gt 0 ]; then
    echo "  linearity (export --jobs 2, output on disk; within 1.3 x):"
    per_message "scale $g" "$store" "$messages"
    rm -f "$disk/scale$g".*
    store="$disk/linear$g.edb"
    "$edbgen" --exchange "$g" --scale "$linear" --out "$store" >/dev/null
    per_message "scale $g" "$store" "$linear"
  fi
  rm -f "$disk"/scale$g.* "$disk"/linear$g.*
done
# A large attachment both as filler text, which the 2010 layout stores compressed about 6 to 1,
# and as bytes that do not compress, as most large attachments (archives, pictures) are.
[ "$attachment_mb" -gt 0 ] || exit 0
for kind in text random; do
  random=false
  [ "$kind" = random ] && random=true
  cat > "$disk/big.json" <<JSON
{ "mailboxes": [ { "number": 101, "display_name": "Big", "folders": [ { "name": "Inbox", "class": "IPF.Note",
  "messages": [ { "subject": "big", "sender_name": "A", "sender_address": "a@example.com", "body": "see attachment",
    "date": "2011-03-07T14:05:09Z", "attachments": [ { "name": "big.bin", "size": $(( attachment_mb * 1048576 )), "random": $random } ] } ] } ] } ] }
JSON
  for g in 2007 2010; do
    "$edbgen" --exchange "$g" --scenario "$disk/big.json" --out "$disk/big$g.edb" >/dev/null
    bench "${attachment_mb} MB $kind attachment $g" "$disk/big$g.edb" 1
    rm -f "$disk/big$g".*
  done
done
