#!/usr/bin/env bash
# The core's unit tests under AddressSanitizer and UndefinedBehaviorSanitizer. Only the suites
# that run are built (with the programs they start).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
suites=(test_ese test_decode test_scan test_listing test_render test_export test_edbcorrupt)
cmake -S . -B build-asan -G Ninja -DQUORVINE_SANITIZE=ON -DQUORVINE_BENCH=OFF -DQUORVINE_GUI=OFF \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan --target "${suites[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
labels=$(IFS='|'; echo "${suites[*]}")
ctest --test-dir build-asan --output-on-failure --no-tests=error -j2 --timeout 1200 -L "^($labels)\$"
