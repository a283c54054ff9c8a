#!/usr/bin/env bash
# Holds two builds' outputs against each other, byte for byte: a restructuring must not change
# one byte of what the programs write. For every scenario of tests/data in every generation
# (and the public scenario as a public store), a few other page sizes, and a --scale store of
# each generation, it records the SHA-256 of
#   scan (text and --json), list (--json of every folder, text of those shown), show --json
#   with the files show --out writes, and every file (name and content) of the exported tree,
# each with its exit status, once with each build, and compares the two lists. The stores are
# written by the second build's edbgen; the first build's edbgen writes them too, and the two
# stores must be equal once the random database signature and creation time are set aside.
#
#   bench/output_identity.sh BEFORE_BUILD_DIR AFTER_BUILD_DIR
#   SCALE=20000 (messages of each --scale store; 0 leaves them out)  GENERATIONS="2007 2010 2013"
#   SHOW_ROWS=3 (rows shown in each of the three biggest folders of a --scale store; every row
#   of every folder of the scenario stores)
#   WORK_DIR=(a new temp folder)  KEEP=1 keeps it
# Exit status 0 when every digest is the same, 1 when one differs (the differing lines are
# printed), 2 on a usage or setup error.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 2 ] || { echo "usage: $0 BEFORE_BUILD_DIR AFTER_BUILD_DIR" >&2; exit 2; }
before="$(cd "$1" && pwd)"
after="$(cd "$2" && pwd)"
scale="${SCALE:-20000}"
generations="${GENERATIONS:-2007 2010 2013}"
show_rows="${SHOW_ROWS:-3}"
work="${WORK_DIR:-$(mktemp -d)}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
for b in "$before" "$after"; do
  for p in quorvine tools/edbgen/edbgen; do
    [ -x "$b/$p" ] || { echo "missing $b/$p" >&2; exit 2; }
  done
done
export TZ=UTC LC_ALL=C
stores="$work/stores"
mkdir -p "$stores"

# The store without what edbgen draws at random or from the clock: the header checksum and
# the database signature of both header copies.
store_digest() {
  python3 - "$1" <<'PY'
import hashlib, struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
page = struct.unpack_from("<I", data, 236)[0]
for copy in (0, page):
    data[copy:copy + 4] = b"\0" * 4
    data[copy + 24:copy + 36] = b"\0" * 12
print(hashlib.sha256(data).hexdigest())
PY
}

# make NAME EDBGEN_ARGS...: writes NAME.edb with both edbgens; the second one's store is kept.
make_store() {
  local name="$1"
  shift
  "$before/tools/edbgen/edbgen" "$@" --out "$stores/before-$name.edb" >/dev/null
  "$after/tools/edbgen/edbgen" "$@" --out "$stores/$name.edb" >/dev/null
  if [ "$(store_digest "$stores/before-$name.edb")" != "$(store_digest "$stores/$name.edb")" ] ||
     ! cmp -s "$stores/before-$name.manifest.json" "$stores/$name.manifest.json"; then
    echo "$name" >>"$work/mismatched-stores"
  fi
  rm -f "$stores/before-$name.edb" "$stores/before-$name.manifest.json"
  names+=("$name")
}

names=()
: >"$work/mismatched-stores"
for gen in $generations; do
  for scenario in "$here"/tests/data/*.json; do
    base="$(basename "$scenario" .json)"
    if [ "$base" = public ]; then
      make_store "public-$gen" --exchange "$gen" --public --scenario "$scenario"
    else
      make_store "$base-$gen" --exchange "$gen" --scenario "$scenario"
    fi
  done
done
for size in 4096 16384; do
  make_store "basic2007-$size" --exchange 2007 --page-size "$size" --scenario "$here/tests/data/basic2007.json"
done
if [ "$scale" -gt 0 ]; then
  for gen in $generations; do
    make_store "scale$scale-$gen" --exchange "$gen" --scale "$scale"
  done
fi

# digests BUILD: prints "what status sha256" for every output of every store.
digests() {
  local q="$1/quorvine" run="$work/run" name store manifest gen rc
  for name in "${names[@]}"; do
    store="$stores/$name.edb"
    manifest="$stores/$name.manifest.json"
    gen="${name##*-}"
    case "$gen" in 2007 | 2010 | 2013) ;; *) gen=2007 ;; esac
    rm -rf "$run"
    mkdir -p "$run/data"
    export XDG_DATA_HOME="$run/data" TMPDIR="$run/data"
    # one LABEL ARGS...: runs quorvine with ARGS; prints its exit status and the digests of its
    # standard output and error.
    one() {
      local label="$1"
      shift
      rc=0
      "$q" "$@" >"$run/stdout" 2>"$run/stderr" </dev/null || rc=$?
      echo "$name $label $rc $(sha256sum <"$run/stdout" | cut -d' ' -f1) $(sha256sum <"$run/stderr" | cut -d' ' -f1)"
    }
    one scan scan "$store" --exchange "$gen" --json
    one scan-text scan "$store" --exchange "$gen"
    python3 - "$manifest" "$name" "$show_rows" >"$run/folders" <<'PY'
import json, sys
m = json.load(open(sys.argv[1]))
# Every row of a scenario store; of a --scale store the first rows of its biggest folders.
scale = sys.argv[2].startswith("scale")
biggest = sorted(m["folders"], key=lambda f: -f["row_count"])[:3]
for f in m["folders"]:
    rows = f["row_count"] if not scale else min(f["row_count"], int(sys.argv[3])) if f in biggest else 0
    print(f'{rows}\t{f["path"]}')
PY
    while IFS=$'\t' read -r rows folder; do
      one "list:$folder" list "$store" --exchange "$gen" --folder "$folder" --json
      [ "$rows" -gt 0 ] && one "list-text:$folder" list "$store" --exchange "$gen" --folder "$folder"
      for row in $(seq 1 "$rows"); do
        rm -rf "$run/show"
        one "show:$folder:$row" show "$store" --exchange "$gen" --folder "$folder" --row "$row" --json --out "$run/show"
        echo "$name show-files:$folder:$row $(cd "$run" && find show -type f -print0 2>/dev/null | sort -z |
          xargs -0 -r sha256sum | sha256sum | cut -d' ' -f1)"
      done
    done <"$run/folders"
    rm -rf "$run/export"
    rc=0
    "$q" export "$store" --exchange "$gen" --out "$run/export" --jobs 2 >/dev/null 2>&1 </dev/null || rc=$?
    echo "$name export-status $rc"
    if [ -d "$run/export" ]; then
      (cd "$run" && find export -type f -print0 | sort -z | xargs -0 -r sha256sum) | sed "s|^|$name export |"
    fi
  done
}

echo "stores: ${#names[@]} (in $stores)"
digests "$before" >"$work/before.digests"
digests "$after" >"$work/after.digests"
echo "outputs compared: $(wc -l <"$work/before.digests")"
status=0
if ! diff "$work/before.digests" "$work/after.digests"; then
  echo "outputs differ" >&2
  status=1
fi
if [ -s "$work/mismatched-stores" ]; then
  echo "the two edbgens wrote different stores: $(tr '\n' ' ' <"$work/mismatched-stores")" >&2
  status=1
fi
[ "$status" = 0 ] && echo "every output is identical; the two edbgens wrote the same stores"
[ "${KEEP:-0}" = 1 ] || rm -rf "$work"
exit "$status"
