#!/usr/bin/env bash
# Builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh build
ctest --test-dir build --output-on-failure --no-tests=error -j2 --timeout 600
