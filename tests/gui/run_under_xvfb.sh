#!/bin/sh
# Runs a test program on a private X server (Xvfb) with the xcb platform plugin, so the
# window code also runs against a real X display. Exits 77 (a skip for ctest) only when
# xvfb-run is not installed.
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "SKIPPED: xvfb-run is not installed (packages xvfb and xauth, see scripts/setup-deps.sh)"
  exit 77
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" env QT_QPA_PLATFORM=xcb "$@"
