#!/usr/bin/env bash
# Remakes the README's pictures in docs/screenshots/ under Xvfb: the demo store
# (tests/data/demo.json, Exchange 2010 layout) after a scan, a mail and a contact preview,
# and the "Export Items" dialog after a run. Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
command -v xvfb-run >/dev/null || { echo "xvfb-run is needed (scripts/setup-deps.sh installs it)" >&2; exit 1; }
cmake --build "$build" --target screenshots edbgen
out=$PWD/docs/screenshots
scenario=$PWD/tests/data/demo.json
tools=$(cd "$build" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$tools/tools/edbgen/edbgen" --exchange 2010 --scenario "$scenario" --out Mailbox.edb >/dev/null
QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" \
  env QT_QPA_PLATFORM=xcb "$tools/tools/screenshots/screenshots" Mailbox.edb 2010 "$out"
