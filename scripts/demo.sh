#!/usr/bin/env bash
# Builds everything and exports the bundled demo store (written by edbgen at build time)
# into MBOX files.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh build
./build/quorvine export build/demo/demo2007.edb --exchange 2007 --out build/demo/export
echo "MBOX files:"
find build/demo/export/QuorvineRec -type f | sort
