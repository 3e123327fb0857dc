#!/usr/bin/env bash
# Quick-edit benchmark: the language of one track changed in place by
# quillon-cli edit and by mkvpropedit, on a copy of the file, in one run.
# The two tools alternate between two codes so every run really writes.
#
# Usage: bench/edit.sh [FILE]     (default: bench/data/big.mkv; a copy is edited)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 10).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
file="${1:-$here/data/big.mkv}"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-10}"
[[ -f "$file" ]] || { echo "no file $file (make it with bench/make_big_file.sh)" >&2; exit 2; }
copy="$(dirname "$file")/edit-copy.mkv"
cp "$file" "$copy"
trap 'rm -f "$copy"' EXIT
c="$(printf %q "$copy")"
q="$(printf %q "$cli")"

# Track 2 is the AC-3 track of the benchmark file; its Language is "und" or a 3-letter code.
hyperfine -N --runs "$runs" --warmup 2 \
    -n "quillon-cli edit" "$q edit $c --track 2 --lang ger" \
    -n "mkvpropedit" "mkvpropedit -q $c --edit track:2 --set language=fre"
