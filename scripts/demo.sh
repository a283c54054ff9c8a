#!/usr/bin/env bash
# Builds the command-line program and the demo store (written by edbgen), nothing else, and
# exports the store into MBOX files. Installs only the packages those need (setup-deps.sh
# --demo); scripts/test.sh adds the rest.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
./scripts/setup-deps.sh --demo
# A build folder of its own, without debugging information, several sources compiled as one
# (a unity build): under half the processor time of a plain build; the test build is left alone.
build=build-demo
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$build" --target quorvine edbgen_demo_store
out=$build/demo/export
rm -rf "$out"
./$build/quorvine export $build/demo/demo2007.edb --exchange 2007 --out "$out"
first=$(find "$out/QuorvineRec" -type f -name Inbox | sort | head -n 1)
[ -n "$first" ] || first=$(find "$out/QuorvineRec" -type f ! -name '*.vcf' ! -name '*.ics' | sort | head -n 1)
echo
echo "Exported under $(pwd)/$out/QuorvineRec (an MBOX file per folder; contacts in .vcf, calendars, tasks and notes in .ics files):"
find "$out/QuorvineRec" -type f | sort | sed 's/^/  /'
echo
echo "Open one with mutt:"
printf '  mutt -f %q\n' "$first"
echo "or read it with Python's mailbox module:"
printf '  python3 -c %q %q\n' 'import mailbox, sys; [print(m["date"], "|", m["from"], "|", m["subject"]) for m in mailbox.mbox(sys.argv[1])]' "$first"
echo
echo "demo.sh took $((SECONDS - started)) s"
