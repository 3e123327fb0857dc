#!/usr/bin/env bash
# Makes the benchmark file if it is not there yet: about 2 hours and ~1.5 GB of
# Matroska as mkvmerge writes it, with
#   - an H.264 video track (640x360, 25 fps, ~1.45 Mbit/s, libx264 ultrafast),
#   - an AC-3 audio track (48 kHz stereo, 192 kbit/s, 1536-sample frames, one
#     frame per block: ~225k audio blocks in 2 hours; LACING=1 keeps mkvmerge's
#     default of lacing 8 AC-3 frames into one block instead),
#   - an SRT subtitle track (one line every 6 seconds).
# A 5-minute clip is encoded once and looped with -c copy, so the whole run
# takes a minute or two on 2 cores. The block count is printed at the end.
#
# Usage: bench/make_big_file.sh [OUT]        (default: bench/data/big.mkv)
# Environment: DURATION (seconds, default 7200), CLIP (seconds, default 300),
#              VIDEO_KBPS (default 1450), LACING (default 0), QUILLON_CLI (default build-bench/quillon-cli).
# A smaller file for profiling: DURATION=600 bench/make_big_file.sh bench/data/small.mkv
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="${1:-$here/data/big.mkv}"
duration="${DURATION:-7200}"
clip="${CLIP:-300}"
video_kbps="${VIDEO_KBPS:-1450}"
lacing="${LACING:-0}"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"

for tool in ffmpeg mkvmerge; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done

count_blocks() {
    if [[ -x "$cli" ]]; then
        # Rows of the full-scan tree that are blocks.
        "$cli" tree "$1" 2>/dev/null | grep -cE '^[[:space:]]*(SimpleBlock|Block|EncryptedBlock)\b' || true
    else
        echo "(build $cli to count blocks)"
    fi
}

if [[ -f "$out" ]]; then
    echo "$out exists ($(stat -c %s "$out") bytes); remove it to make it anew"
    echo "blocks: $(count_blocks "$out")"
    exit 0
fi

mkdir -p "$(dirname "$out")"
work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Clip lengths that are whole multiples of both the video frame (40 ms) and
# the AC-3 frame (32 ms) keep the looped tracks in step.
if (( clip % 4 != 0 )); then
    echo "CLIP must be a multiple of 4 seconds" >&2; exit 2
fi
loops=$(( (duration + clip - 1) / clip - 1 ))

echo "encoding a ${clip}s clip ..."
ffmpeg -v error -y \
    -f lavfi -i "testsrc2=size=640x360:rate=25,noise=alls=12:allf=t" \
    -f lavfi -i "anoisesrc=sample_rate=48000:amplitude=0.05:color=pink" \
    -t "$clip" -map 0:v -map 1:a \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 250 \
    -b:v "${video_kbps}k" -maxrate "$(( video_kbps * 11 / 10 ))k" -bufsize "$(( video_kbps * 2 ))k" \
    -c:a ac3 -ac 2 -ar 48000 -b:a 192k \
    "$work/clip.mkv"

echo "looping it to ${duration}s ..."
ffmpeg -v error -y -stream_loop "$loops" -i "$work/clip.mkv" -t "$duration" -c copy "$work/looped.mkv"

echo "writing subtitles ..."
awk -v total="$duration" 'function ts(s) { return sprintf("%02d:%02d:%02d,000", s / 3600, (s % 3600) / 60, s % 60) }
    BEGIN { n = 0; for (s = 1; s + 3 <= total; s += 6) { n++; printf "%d\n%s --> %s\nLine %d of the benchmark file\n\n", n, ts(s), ts(s + 3), n } }' \
    > "$work/subs.srt"

echo "muxing with mkvmerge ..."
mux_options=()
[[ "$lacing" == 1 ]] || mux_options+=(--disable-lacing)
rc=0
mkvmerge -q "${mux_options[@]}" -o "$work/out.mkv" \
    --language 0:en --track-name 0:Video "$work/looped.mkv" \
    --language 0:en --track-name 0:Subtitles "$work/subs.srt" || rc=$?
(( rc <= 1 )) || { echo "mkvmerge failed ($rc)" >&2; exit "$rc"; }  # 1: warnings only
mv "$work/out.mkv" "$out"

echo "$out: $(stat -c %s "$out") bytes"
echo "blocks: $(count_blocks "$out")"
