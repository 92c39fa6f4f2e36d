#!/usr/bin/env bash
# Extraction of a 130 MiB payload: C7ZOperator::Extract from memory (staging, listing
# and extraction) against plain `7zz x` of the same archive file.
# usage: bench/extract/run.sh [build folder]   (default build/release)
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$top/build/release}"
runs="${RUNS:-5}"
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

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# The two sides take turns, so that a change in the machine's load hits both alike.
: > "$work/ours.txt"
: > "$work/peer.txt"
for i in $(seq 1 "$runs"); do
  # The extractor prints its "Temp File" line on stdout too; keep the time.
  "$build/bench/extract/bench-extract" "$work/payload.7z" "$work/out-ours" 1 | grep -E '^[0-9.]+$' >> "$work/ours.txt"
  rm -rf "$work/out-peer"
  start=$(date +%s.%N)
  7zz x -bso0 -bsp0 "$work/payload.7z" -o"$work/out-peer" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l >> "$work/peer.txt"
done
ours="$(median < "$work/ours.txt")"
peer="$(median < "$work/peer.txt")"
ours_best="$(sort -n "$work/ours.txt" | head -1)"
peer_best="$(sort -n "$work/peer.txt" | head -1)"
cmp "$work/out-ours/data/filler.bin" "$work/out-peer/data/filler.bin"

echo "payload: $size_mib MiB, $(stat -c %s "$work/payload.7z") bytes compressed, median of $runs runs"
printf 'C7ZOperator::Extract from memory: %.3f s\n' "$ours"
printf 'plain 7zz x:                      %.3f s\n' "$peer"
printf 'ratio (ours / 7zz x): %.3f  (target <= 1.15)\n' "$(echo "$ours / $peer" | bc -l)"
# The fastest runs show the cost itself; the medians include the machine's load.
printf 'ratio of the fastest runs: %.3f  (%.3f s / %.3f s)\n' "$(echo "$ours_best / $peer_best" | bc -l)" "$ours_best" "$peer_best"
