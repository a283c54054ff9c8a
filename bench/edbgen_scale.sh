#!/usr/bin/env bash
# Time and peak memory of edbgen writing a --scale store (default 100000 messages) for each
# Exchange generation. Usage: bench/edbgen_scale.sh [BUILD_DIR] [MESSAGES] [GENERATIONS...]
set -euo pipefail
build=${1:-build}
messages=${2:-100000}
shift $(( $# > 2 ? 2 : $# ))
generations=("$@")
[ ${#generations[@]} -eq 0 ] && generations=(2007 2010 2013)
edbgen="$build/tools/edbgen/edbgen"
[ -x "$edbgen" ] || { echo "edbgen not built: $edbgen" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (package time) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-6s %10s %10s %14s %12s\n' exchange messages seconds peak_rss_kb store_mb
for g in "${generations[@]}"; do
  /usr/bin/time -v -o "$work/time.txt" "$edbgen" --exchange "$g" --scale "$messages" --out "$work/scale$g.edb" >/dev/null
  secs=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time.txt")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  size=$(( $(stat -c %s "$work/scale$g.edb") / 1048576 ))
  printf '%-6s %10s %10s %14s %12s\n' "$g" "$messages" "$secs" "$rss" "$size"
  rm -f "$work/scale$g.edb" "$work/scale$g.manifest.json"
done
