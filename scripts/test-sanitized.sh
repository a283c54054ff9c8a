#!/usr/bin/env bash
# The core's unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh build-asan -DQUORVINE_SANITIZE=ON -DQUORVINE_BENCH=OFF -DQUORVINE_GUI=OFF -DCMAKE_BUILD_TYPE=Debug
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2 --timeout 1200 -L 'test_(ese|decode|scan|listing|render|export|edbcorrupt)'
