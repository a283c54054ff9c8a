#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvine needs to build and test, when missing.
#   scripts/setup-deps.sh            everything: the programs, the desktop application, the tests
#   scripts/setup-deps.sh --demo     only what builds the command-line program and edbgen
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgmime-3.0-dev libpcre2-dev nlohmann-json3-dev libical-dev
)
case "${1:-}" in
  --demo) ;;
  "") packages+=(
  libesedb-dev libbfio-dev libesedb-utils  # the tests' independent reader
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  python3 procmail
  python3-vobject python3-icalendar dovecot-core  # readers of the vCard, iCalendar and Maildir exports
  chromium  # opens the preview pages in the tests: no script runs, nothing remote loads
  time      # /usr/bin/time for the benchmarks' peak memory
  qt6-base-dev qt6-webengine-dev libcmark-dev xvfb xauth
  scdoc librsvg2-bin  # manual pages and icon bitmaps, made at build time
  appstream           # appstreamcli checks the desktop metadata in the tests
  ) ;;
  *) echo "usage: scripts/setup-deps.sh [--demo]" >&2; exit 1 ;;
esac
# Only for remaking the RTF fixtures in tests/data (soffice --headless --convert-to rtf):
# QUORVINE_FIXTURE_TOOLS=1 scripts/setup-deps.sh
if [ "${QUORVINE_FIXTURE_TOOLS:-0}" = 1 ]; then
  packages+=(libreoffice-writer-nogui)
fi
# Only for making and checking the Debian package (scripts/build-deb.sh, check-deb-in-chroot.sh):
if [ "${QUORVINE_PACKAGING_TOOLS:-0}" = 1 ]; then
  packages+=(lintian debootstrap)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
