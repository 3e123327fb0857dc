#!/usr/bin/env bash
# Remux benchmark: one file rewritten whole by quillon-cli remux, cp, mkvmerge
# and ffmpeg -c copy, in one run, warm cache. The output is deleted and the
# disk synced before every timed run (hyperfine --prepare), outside the
# timing: replacing an existing file costs about a second on this disk.
# Wall time from hyperfine, peak memory from /usr/bin/time -v.
#
# Usage: bench/remux.sh [FILE]     (default: bench/data/big.mkv)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 3),
#              TMPDIR (where the outputs go; removed at the end).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
file="${1:-$here/data/big.mkv}"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-3}"
[[ -f "$file" ]] || { echo "no file $file (make it with bench/make_big_file.sh)" >&2; exit 2; }
[[ -x "$cli" ]] || { echo "no $cli (see bench/README.md)" >&2; exit 2; }

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-remux.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
out="$tmp/out.mkv"
f="$(printf %q "$file")"
o="$(printf %q "$out")"

benches=(
    "quillon-cli remux|$(printf %q "$cli") remux $f -o $o"
    "cp|cp $f $o"
    "mkvmerge -o|mkvmerge -q -o $o $f"
    "ffmpeg -c copy|ffmpeg -nostdin -v error -i $f -map 0 -c copy $o"
)

echo "file: $file ($(stat -c %s "$file") bytes)"
cat "$file" > /dev/null
printf '%-20s %12s %10s %12s\n' command "wall (s)" "ratio" "peak MiB"
base=""
for entry in "${benches[@]}"; do
    label="${entry%%|*}"
    command="${entry#*|}"
    hyperfine -N --runs "$runs" --warmup 1 --prepare "rm -f $o; sync" --export-json "$tmp/h.json" \
        "$command" > /dev/null 2>&1 || hyperfine --runs "$runs" --warmup 1 --prepare "rm -f $o; sync" \
        --export-json "$tmp/h.json" "$command" > /dev/null
    mean=$(jq '.results[0].mean' "$tmp/h.json")
    rm -f "$out"
    rss=$(/usr/bin/time -v bash -c "$command" 2>&1 >/dev/null | awk -F: '/Maximum resident/ {print $2}')
    [[ -n "$base" ]] || base="$mean"
    printf '%-20s %12.3f %10.2f %12.1f\n' "$label" "$mean" "$(echo "$mean / $base" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
done
