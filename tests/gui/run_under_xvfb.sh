#!/bin/sh
# Runs a test program on a private X server (Xvfb) with the xcb platform plugin, so the
# window code also runs against a real X display. The server picks a free display number
# itself and reports it once it accepts clients (-displayfd): runs started at the same time,
# by this test run or another, never race for one display, and the program never starts
# before its server is up. Exits 77 (a skip for ctest) only when Xvfb or xauth is not
# installed.
set -u
if ! command -v Xvfb >/dev/null 2>&1 || ! command -v xauth >/dev/null 2>&1; then
  echo "SKIPPED: Xvfb or xauth is not installed (packages xvfb and xauth, see scripts/setup-deps.sh)"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvine-xvfb.XXXXXX") || exit 1
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# A cookie of our own: the server loads it from the file whatever display it names.
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
: >"$work/auth"
xauth -q -f "$work/auth" add :0 . "$cookie" || exit 1
mkfifo "$work/display" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth "$work/auth" 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
if ! read -r display <"$work/display" || [ -z "$display" ]; then
  echo "Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
xauth -q -f "$work/auth" add ":$display" . "$cookie" || exit 1
DISPLAY=":$display" XAUTHORITY="$work/auth" QT_QPA_PLATFORM=xcb "$@"
