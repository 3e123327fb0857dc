#!/usr/bin/env bash
# Season remux benchmark: 24 films of about 300 MB remuxed by two rules in
# one quillon-cli call with -j 2, against the sum of 24 single remuxes by the
# same rules (one call per file), in one run, warm cache; and the peak memory
# of one file's remux by rules against that file's check.
# Targets: the one call at most 0.6x the sum; the memory at most 1.25x the check.
#
# Usage: bench/season.sh   (the films are cut once from bench/data/ffmpeg_film.mkv
#                           into bench/data/season/, six 15-minute parts, each 4 times)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 3).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-3}"
film="$here/data/ffmpeg_film.mkv"
season="$here/data/season"
[[ -f "$film" ]] || { echo "no file $film (bench/make_ffmpeg_film.sh makes it)" >&2; exit 2; }
if [[ ! -f "$season/e24.mkv" ]]; then
  mkdir -p "$season"
  for part in 0 1 2 3 4 5; do
    ffmpeg -v error -y -ss $((part * 900)) -t 900 -i "$film" -map 0 -c copy "$season/part$part.mkv"
    for copy in 1 2 3 4; do cp "$season/part$part.mkv" "$season/e$(printf %02d $((part * 4 + copy))).mkv"; done
    rm "$season/part$part.mkv"
  done
fi
out="$(mktemp -d "${TMPDIR:-/tmp}/season-bench.XXXXXX")"
trap 'rm -rf "$out"' EXIT
q="$(printf %q "$cli")"
s="$(printf %q "$season")"
o="$(printf %q "$out")"
rules="--keep a1 --default a1"
du -sh "$season"
cat "$season"/*.mkv > /dev/null  # warm
hyperfine --runs "$runs" --prepare "rm -f $o/*.mkv" \
    -n "one call, -j 2" "$q remux $s/e*.mkv --output-dir $o $rules -j 2 >/dev/null" \
    -n "24 single remuxes" "for f in $s/e*.mkv; do $q remux \"\$f\" --output-dir $o $rules -j 1 >/dev/null; done"

echo "== peak memory: one file's remux by rules vs its check"
rm -f "$out"/*.mkv
/usr/bin/time -f "remux by rules: %M KB" "$cli" remux "$season/e01.mkv" --output-dir "$out" $rules -j 1 >/dev/null
/usr/bin/time -f "check: %M KB" "$cli" check "$season/e01.mkv" >/dev/null
