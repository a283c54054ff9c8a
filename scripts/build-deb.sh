#!/usr/bin/env bash
# Builds the Debian package of the programs (quorvine, quorvine-gui) in a release build of
# its own (build-deb/, or the folder given), checks it with lintian and prints its path.
# The maintainer comes from DEBFULLNAME and DEBEMAIL (scripts/deb-maintainer.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
QUORVINE_PACKAGING_TOOLS=1 ./scripts/setup-deps.sh
build=${1:-build-deb}
# The maintainer of the package and of its changelog entry.
maintainer=$(./scripts/deb-maintainer.sh)

# Debian's hardening flags, as a package built by dpkg-buildpackage would get them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DQUORVINE_TESTS=OFF -DQUORVINE_BENCH=OFF -DQUORVINE_TOOLS=OFF -DQUORVINE_GUI=ON \
  -DQUORVINE_MAINTAINER="$maintainer" >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/quorvine_*.deb | head -n 1)
echo "lintian:" >&2
lintian --info "$deb" >&2 || { echo "lintian reported errors" >&2; exit 1; }
echo "$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
