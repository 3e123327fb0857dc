#!/usr/bin/env bash
# In-place header edit benchmark, quillon-cli edit against mkvpropedit in one
# run, on copies:
#   1. on each big film: an edit that fits in its room (a track's forced flag)
#      and one that must move the master behind the Clusters (a title longer
#      than Info's room; before each run a short title is put back, so every
#      measured run moves it);
#   2. 200 small films with two properties each: one quillon-cli call against
#      a shell loop of mkvpropedit (before each run the values are set back,
#      so every run writes).
# Targets: the big-film edits no slower than mkvpropedit; the 200 files at
# least 2x faster than the loop.
#
# Usage: bench/header_edit.sh [FILM...]
#   (default: bench/data/ffmpeg_film.mkv and bench/data/mkvmerge_film.mkv,
#    the second made from the first by mkvmerge when missing)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 10),
#              SMALL (the small film to copy 200 times; default the interop
#              media's mkvmerge_h264_aac_srt.mkv under build/tests/media).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-10}"
small="${SMALL:-$root/build/tests/media/mkvmerge_h264_aac_srt.mkv}"
films=("$@")
if [[ ${#films[@]} -eq 0 ]]; then
  films=("$here/data/ffmpeg_film.mkv" "$here/data/mkvmerge_film.mkv")
  if [[ ! -f "$here/data/mkvmerge_film.mkv" && -f "$here/data/ffmpeg_film.mkv" ]]; then
    mkvmerge -q -o "$here/data/mkvmerge_film.mkv" "$here/data/ffmpeg_film.mkv"
  fi
fi
q="$(printf %q "$cli")"
work="$(mktemp -d "${TMPDIR:-/tmp}/header-edit-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
long="$(printf 'A title far too long for the room Info has in front of the Clusters %.0s' {1..40})"

for film in "${films[@]}"; do
  [[ -f "$film" ]] || { echo "no file $film (bench/make_ffmpeg_film.sh makes it)" >&2; exit 2; }
  copy="$work/$(basename "$film")"
  cp "$film" "$copy"
  c="$(printf %q "$copy")"
  echo "== $(basename "$film"): an edit that fits"
  hyperfine -N --runs "$runs" --warmup 2 \
      -n "quillon-cli edit" "$q edit $c --track a1 --set flag-forced=1" \
      --prepare "mkvpropedit -q $c --edit track:a1 --set flag-forced=0" \
      -n "mkvpropedit" "mkvpropedit -q $c --edit track:a1 --set flag-forced=1"
  echo "== $(basename "$film"): an edit that moves Info behind the Clusters"
  hyperfine --runs "$runs" --warmup 1 \
      --prepare "mkvpropedit -q $c --edit info --set title=short" \
      -n "quillon-cli edit" "$q edit $c --info --set 'title=$long'" \
      -n "mkvpropedit" "mkvpropedit -q $c --edit info --set 'title=$long'"
  rm -f "$copy"
done

echo "== 200 small films, two properties each"
[[ -f "$small" ]] || { echo "no file $small (ctest -L interop makes it)" >&2; exit 2; }
mkdir -p "$work/small"
for i in $(seq -w 1 200); do cp "$small" "$work/small/episode-$i.mkv"; done
d="$(printf %q "$work/small")"
hyperfine --runs "$runs" --warmup 1 \
    --prepare "$q edit $d/*.mkv --track a1 --set language=fre --set flag-forced=0 >/dev/null" \
    -n "quillon-cli edit (one call)" "$q edit $d/*.mkv --track a1 --set language=jpn --set flag-forced=1 >/dev/null" \
    -n "mkvpropedit (shell loop)" "for f in $d/*.mkv; do mkvpropedit -q \"\$f\" --edit track:a1 --set language=jpn --set flag-forced=1; done"
