#!/usr/bin/env bash
# Extraction of a 130 MiB payload: C7ZOperator::Extract from memory and
# C7ZOperator::ExtractFileRange from a package-like file (staging, listing, the 7zz run
# and clean-up, each timed) against plain `7zz x` of the same archive file,
# alternating within one process; every run is printed with the machine's load.
# usage: bench/extract/run.sh [build folder]   (default build/release; RUNS, SIZE_MIB)
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$top/build/release}"
runs="${RUNS:-9}"
size_mib="${SIZE_MIB:-130}"
ninja -C "$build" bench-extract demo-filler >/dev/null

work="$(mktemp -d /tmp/corvex-bench-extract-XXXXXX)"
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR" "$work/payload/data"
"$build/resources/demo/demo-filler" "$work/payload/data/filler.bin" "$size_mib" 7
for i in $(seq 1 200); do printf 'file %d\n' "$i" > "$work/payload/file$i.txt"; done
(cd "$work/payload" && 7zz a -bd -bso0 -bsp0 -mx=1 "$work/payload.7z" . )
cat "$work/payload.7z" > /dev/null   # both sides read it from the page cache

echo "payload: $size_mib MiB, $(stat -c %s "$work/payload.7z") bytes compressed, $runs alternating runs (seconds)"
# CORVEX_EXTRACT_NO_LANDLOCK=1 measures the listing check instead of the confinement.
"$build/bench/extract/bench-extract" "$work/payload.7z" "$work" "$runs"
cmp "$work/out-ours/data/filler.bin" "$work/out-peer/data/filler.bin"
cmp "$work/out-file/data/filler.bin" "$work/out-peer/data/filler.bin"
