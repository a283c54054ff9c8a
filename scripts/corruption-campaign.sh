#!/usr/bin/env bash
# Corrupted-store campaign: builds quorvine, edbgen and edbcorrupt with AddressSanitizer and
# UndefinedBehaviorSanitizer, writes small stores of every generation, damages them in
# VARIANTS ways (byte flips resealed or not, truncations, zeroed, swapped and copied pages,
# catalog and header damage) and runs `scan --json` and `list --folder` on each under a
# time limit. Prints the counts per mode; keeps every crashing or hanging variant (store,
# command, stderr) in OUT/faults and exits 1 if there was any. Not part of the test run.
#
# usage: scripts/corruption-campaign.sh [VARIANTS]   (default 2100)
# environment: CAMPAIGN_BUILD (build-campaign), CAMPAIGN_OUT (campaign-out),
#              CAMPAIGN_JOBS (2), CAMPAIGN_TIMEOUT (20 seconds per run),
#              CAMPAIGN_MODES ("header catalog": run only the variants of these modes)
set -euo pipefail
cd "$(dirname "$0")/.."
variants=${1:-2100}
build=${CAMPAIGN_BUILD:-build-campaign}
out=${CAMPAIGN_OUT:-campaign-out}
jobs=${CAMPAIGN_JOBS:-2}
limit=${CAMPAIGN_TIMEOUT:-20}

cmake -S . -B "$build" -G Ninja -DQUORVINE_SANITIZE=ON -DQUORVINE_TESTS=OFF -DQUORVINE_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target quorvine edbgen edbcorrupt
started=$(date +%s)

rm -rf "$out"
mkdir -p "$out/bases" "$out/results" "$out/faults" "$out/variants"

# Base stores: generation, page size, store kind, source (scenario file or scale).
bases=(
  "2007 8192 private basic2007.json"
  "2007 4096 private edge2007.json"
  "2007 8192 public public.json"
  "2010 32768 private basic2010.json"
  "2010 16384 private scale"
  "2010 8192 public public.json"
  "2013 32768 private basic2013.json"
  "2013 8192 private scale"
  "2013 16384 private edge2007.json"
)
for i in "${!bases[@]}"; do
  read -r generation page kind source <<<"${bases[$i]}"
  args=(--exchange "$generation" --page-size "$page")
  [ "$kind" = public ] && args+=(--public)
  if [ "$source" = scale ]; then args+=(--scale 300); else args+=(--scenario "tests/data/$source"); fi
  store="$out/bases/base$i-$generation.edb"
  "$build/tools/edbgen/edbgen" "${args[@]}" --out "$store"
  # The folder with the most rows is the one `list` reads.
  folder=$(python3 -c 'import json,sys
folders = json.load(open(sys.argv[1]))["folders"]
print(max(folders, key=lambda f: f.get("row_count", 0))["path"])' "${store%.edb}.manifest.json")
  printf '%s\t%s\t%s\n' "$store" "$generation" "$folder" >"$out/bases/base$i.info"
  echo "base $i: $generation $page $kind $source, $(stat -c %s "$store") bytes, list folder \"$folder\""
done

export CAMPAIGN_ROOT=$PWD CAMPAIGN_BUILD_DIR=$build CAMPAIGN_OUT_DIR=$out CAMPAIGN_LIMIT=$limit
export CAMPAIGN_BASES=${#bases[@]} CAMPAIGN_MODES=${CAMPAIGN_MODES:-}
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# One variant: damage a base store, run both commands, write one result line per run.
run_variant() {
  local i=$1
  local modes=(flip flip-raw truncate zero-page swap-pages copy-page catalog header)
  local mode=${modes[$((i % ${#modes[@]}))]}
  [ -z "$CAMPAIGN_MODES" ] || [[ " $CAMPAIGN_MODES " == *" $mode "* ]] || return 0
  local base=$(((i / ${#modes[@]}) % CAMPAIGN_BASES))
  local store generation folder
  IFS=$'\t' read -r store generation folder <"$CAMPAIGN_OUT_DIR/bases/base$base.info"
  local work="$CAMPAIGN_OUT_DIR/variants/$i"
  mkdir -p "$work"
  local damaged="$work/v$i.edb"
  local description
  if ! description=$("$CAMPAIGN_BUILD_DIR/tools/edbcorrupt/edbcorrupt" "$mode" "$i" "$store" "$damaged" 2>&1); then
    printf '%s\t%s\t%s\t-\ttool-error\t-\t-\t%s\n' "$i" "$mode" "$base" "$description" >"$CAMPAIGN_OUT_DIR/results/$i.tsv"
    rm -rf "$work"
    return 0
  fi
  local quorvine="$CAMPAIGN_BUILD_DIR/quorvine"
  local command status outcome noticed kept=0
  : >"$CAMPAIGN_OUT_DIR/results/$i.tsv"
  for command in scan list; do
    local args=("$command" "$damaged" --exchange "$generation")
    if [ "$command" = scan ]; then args+=(--json); else args+=(--folder "$folder"); fi
    status=0
    timeout "$CAMPAIGN_LIMIT" "$quorvine" "${args[@]}" >"$work/$command.out" 2>"$work/$command.err" </dev/null ||
      status=$?
    if [ "$status" = 124 ]; then
      outcome=hang
    elif [ "$status" -gt 3 ] || grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer' "$work/$command.err"; then
      outcome=crash
    else
      outcome=ok
    fi
    noticed=silent
    if [ "$status" != 0 ] || grep -qiE 'warning|damaged' "$work/$command.err" ||
       { [ "$command" = scan ] && python3 -c 'import json,sys; sys.exit(0 if json.load(open(sys.argv[1]))["warnings"] else 1)' "$work/$command.out" 2>/dev/null; }; then
      noticed=noticed
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$i" "$mode" "$base" "$command" "$outcome" "$status" "$noticed" \
      "$description" >>"$CAMPAIGN_OUT_DIR/results/$i.tsv"
    if [ "$outcome" != ok ]; then
      local keep="$CAMPAIGN_OUT_DIR/faults/$i-$command"
      mkdir -p "$keep"
      [ "$kept" = 1 ] || cp "$damaged" "$CAMPAIGN_OUT_DIR/faults/v$i.edb"
      kept=1
      printf 'quorvine %s  # %s; exit %s\n%s\n' "${args[*]}" "$outcome" "$status" "$description" >"$keep/command.txt"
      cp "$work/$command.err" "$keep/stderr.txt"
    fi
  done
  rm -rf "$work"
}
export -f run_variant

echo "running $variants variants on $jobs cores, ${limit}s limit per run"
seq 0 $((variants - 1)) | xargs -P "$jobs" -I{} bash -c 'run_variant {}'
elapsed=$(($(date +%s) - started))

find "$out/results" -name '*.tsv' -exec cat {} + >"$out/results.tsv"
set +e
python3 - "$out/results.tsv" "$elapsed" <<'PY' | tee "$out/summary.txt"
import collections, sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
modes = ["flip", "flip-raw", "truncate", "zero-page", "swap-pages", "copy-page", "catalog", "header"]
stats = collections.defaultdict(collections.Counter)
variants = collections.defaultdict(set)
for i, mode, base, command, outcome, status, noticed, *_ in rows:
    for key in (mode, "total"):
        s = stats[key]
        variants[key].add(i)
        if outcome == "tool-error":
            s["tool errors"] += 1
            continue
        s["runs"] += 1
        s["exit " + status if status in ("0", "1", "2", "3") else "exit other"] += 1
        s[outcome] += 1
        s[noticed] += 1
        s[command + " silent"] += noticed == "silent"
columns = ["variants", "runs", "exit 0", "exit 1", "exit 2", "exit 3", "crash", "hang", "noticed", "silent",
           "scan silent", "list silent", "tool errors"]
print("| mode | " + " | ".join(columns) + " |")
print("|---" * (len(columns) + 1) + "|")
for key in [m for m in modes if m in stats] + ["total"]:
    s = stats[key]
    s["variants"] = len(variants[key])
    print(f"| {key} | " + " | ".join(str(s[c]) for c in columns) + " |")
print(f"elapsed: {sys.argv[2]} s")
sys.exit(1 if stats["total"]["crash"] or stats["total"]["hang"] else 0)
PY
status=${PIPESTATUS[0]}
set -e
rmdir "$out/variants" 2>/dev/null || true
if [ "$status" != 0 ]; then echo "crashes or hangs kept in $out/faults" >&2; fi
exit "$status"
