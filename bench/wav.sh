#!/usr/bin/env bash
# Decoding a film's audio to WAV, against ffmpeg doing the same, in one run,
# warm cache:
#
#   quillon-cli export FILM --track 2 --as wav     (AC-3 5.1 -> 16-bit PCM, ~3.1 GB for 90 minutes)
#   ffmpeg -i FILM -map 0:a:0 -c:a pcm_s16le       (the same decoder, its own demuxer and muxer)
#   quillon-cli export FILM --track 3 --as wav     (AAC stereo)
#   ffmpeg -i FILM -map 0:a:1 -c:a pcm_s16le
#   quillon-cli check FILM                         (memory baseline: the full scan every save starts with)
#
# Both use libavcodec's decoders, so the time is mostly decoding; what differs
# is reading the blocks and writing the file. Wall time from hyperfine (mean of
# RUNS runs after a warm-up run; the output deleted and the disk synced before
# each run, outside the timing), peak memory from /usr/bin/time -v.
#
# Targets: each export no slower than ffmpeg (≤ 1.0×), and in the memory of the scan
# (≤ 1.1× check FILM; the scan's element list of every block is most of it).
# A benchmark, not a test: the exit status does not depend on the target.
#
# Usage: bench/wav.sh [FILM]  (default: bench/data/ffmpeg_film.mkv, made by bench/make_ffmpeg_film.sh;
#                              track 2 AC-3, track 3 AAC)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 3), TMPDIR.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-3}"
film="${1:-$here/data/ffmpeg_film.mkv}"

[[ -f "$film" ]] || { echo "no file $film (make it with bench/make_ffmpeg_film.sh)" >&2; exit 2; }
require_cli "$cli"
require_tools hyperfine ffmpeg jq

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-wav.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
q="$(printf %q "$cli")"
t="$(printf %q "$tmp")"
f="$(printf %q "$film")"

benches=(
    "ours AC-3 5.1|$q export $f --track 2 --as wav -o $t/ours.wav --overwrite|$tmp/ours.wav"
    "ffmpeg AC-3 5.1|ffmpeg -nostdin -v error -y -i $f -map 0:a:0 -c:a pcm_s16le $t/ffmpeg.wav|$tmp/ffmpeg.wav"
    "ours AAC|$q export $f --track 3 --as wav -o $t/ours.wav --overwrite|$tmp/ours.wav"
    "ffmpeg AAC|ffmpeg -nostdin -v error -y -i $f -map 0:a:1 -c:a pcm_s16le $t/ffmpeg.wav|$tmp/ffmpeg.wav"
    "check|$q check $f|"
)
declare -A mean sd rss
echo "# $film ($(stat -c %s "$film") bytes)"
echo "warming the cache ..."
cat "$film" > /dev/null
n=0
for entry in "${benches[@]}"; do
    IFS='|' read -r label cmd output <<< "$entry"
    n=$((n + 1))
    echo "[$n/${#benches[@]}] $label: $cmd"
    measure "$n" "$label" "$cmd" "$output"
    rm -f "$tmp"/*.wav
done

echo
echo "| command          | wall s (mean ± sd)  | /ffmpeg  | peak MiB  | /ffmpeg  |"
echo "|------------------|---------------------|----------|-----------|----------|"
for codec in "AC-3 5.1" "AAC"; do
    for who in ours ffmpeg; do
        label="$who $codec"
        awk -v l="$label" -v m="${mean[$label]}" -v s="${sd[$label]}" -v r="${mean[ffmpeg $codec]}" \
            -v k="${rss[$label]}" -v c="${rss[ffmpeg $codec]}" \
            'BEGIN { printf "| %-16s | %9.3f ± %-7.3f | %7.2f× | %9.1f | %7.2f× |\n", l, m, s, m / r, k / 1024, k / c }'
    done
done
echo
for codec in "AC-3 5.1" "AAC"; do
    awk -v c="$codec" -v to="${mean[ours $codec]}" -v tf="${mean[ffmpeg $codec]}" -v ro="${rss[ours $codec]}" \
        -v rf="${rss[ffmpeg $codec]}" -v rc="${rss[check]}" 'BEGIN {
        printf "- %s: %.3f s = %.2f× ffmpeg (target ≤ 1.0×): %s; peak %.1f MiB = %.2f× check (target ≤ 1.1×): %s; %.2f× ffmpeg\n",
               c, to, to / tf, to <= tf ? "PASS" : "FAIL", ro / 1024, ro / rc, ro <= 1.1 * rc ? "PASS" : "FAIL", ro / rf }'
done
