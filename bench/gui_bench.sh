#!/usr/bin/env bash
# The desktop application's window thread while it scans and exports an `edbgen --scale N`
# store (default 100000 messages) of each generation, offscreen: the longest gap between
# event-loop ticks (target 100 ms), status-bar movement, and how fast Stop, Resume, Abort
# and leaving are answered.
# Usage: bench/gui_bench.sh [BUILD_DIR] [MESSAGES] [GENERATIONS...]
set -euo pipefail
build=${1:-build}
messages=${2:-100000}
shift $(( $# > 2 ? 2 : $# ))
generations=("$@")
[ ${#generations[@]} -eq 0 ] && generations=(2007 2010)
edbgen="$build/tools/edbgen/edbgen"
bench="$build/bench/bench_gui_event_loop"
for tool in "$edbgen" "$bench"; do [ -x "$tool" ] || { echo "not built: $tool" >&2; exit 1; }; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export QTWEBENGINE_CHROMIUM_FLAGS=${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}
status=0
for g in "${generations[@]}"; do
  "$edbgen" --exchange "$g" --scale "$messages" --out "$work/scale$g.edb" >/dev/null
  echo "== Exchange $g, $messages messages, $(( $(stat -c %s "$work/scale$g.edb") / 1048576 )) MB"
  mkdir -p "$work/run$g"
  "$bench" "$work/scale$g.edb" "$g" "$work/run$g" 2> >(grep -v -e '^js:' -e 'Fontconfig' >&2) || status=1
  rm -rf "$work/scale$g.edb" "$work/scale$g.manifest.json" "$work/run$g"
done
exit $status
