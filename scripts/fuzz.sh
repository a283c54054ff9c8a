#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# on its corpus kept in fuzz/corpus/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
./scripts/setup-deps.sh
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DQUORVINE_FUZZ=ON -DQUORVINE_TESTS=OFF \
  -DQUORVINE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target fuzz_targets
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=fuzz/corpus/${name#fuzz_}
  mkdir -p "$corpus"
  work=$(mktemp -d)
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" "$corpus" 2>&1 | tail -n 12
  rm -rf "$work"
done
