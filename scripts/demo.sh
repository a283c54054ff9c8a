#!/usr/bin/env bash
# Builds everything and scans the bundled demo store (written by edbgen at build time).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh build
./build/quorvine scan build/demo/demo2007.edb --exchange 2007
