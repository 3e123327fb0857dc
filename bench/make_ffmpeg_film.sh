#!/usr/bin/env bash
# Makes the second benchmark file if it is not there yet: a 90-minute film of
# ~1.87 GB as ffmpeg's Matroska muxer writes it (one frame per SimpleBlock, no
# lacing, subtitles in BlockGroups, Cues for video key frames and subtitles), with
#   - an H.264 video track (1280x720, 24 fps, ~2.15 Mbit/s, libx264 veryfast:
#     B-frames, so the blocks are in decode order and their timestamps are not
#     monotonic),
#   - an AC-3 5.1 track (48 kHz, 448 kbit/s, 1536-sample frames: ~169k blocks),
#   - an AAC stereo track (48 kHz, 160 kbit/s, 1024-sample frames, ~47 blocks
#     a second: ~253k blocks),
#   - an SRT subtitle track (S_TEXT/UTF8, a line every 4 seconds).
# About 553k blocks in all. A 6-minute clip is encoded once and looped with
# -c copy (the subtitles are added in the same pass), so the whole run takes
# a few minutes on 2 cores. The size and block count are printed at the end.
#
# Usage: bench/make_ffmpeg_film.sh [OUT]     (default: bench/data/ffmpeg_film.mkv)
# Environment: DURATION (seconds, default 5400), CLIP (seconds, a multiple of 8,
#              default 360), VIDEO_KBPS (default 2150), PRESET (x264 preset,
#              default veryfast), QUILLON_CLI (default build-bench/quillon-cli).
# A smaller file: DURATION=600 bench/make_ffmpeg_film.sh bench/data/ffmpeg_small.mkv
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="${1:-$here/data/ffmpeg_film.mkv}"
duration="${DURATION:-5400}"
clip="${CLIP:-360}"
video_kbps="${VIDEO_KBPS:-2150}"
preset="${PRESET:-veryfast}"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"

for tool in ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
case "$preset" in
    ultrafast) echo "PRESET=ultrafast makes no B-frames; use superfast or slower" >&2; exit 2 ;;
esac

count() {  # prints "elements: E, blocks: B" with the best tool at hand
    if [[ -x "$cli" ]]; then
        local tree
        tree="$("$cli" tree "$1" 2>/dev/null || true)"
        echo "elements: $(wc -l <<< "$tree") (lines of quillon-cli tree)," \
            "blocks: $(grep -cE '^[[:space:]]*(SimpleBlock|Block|EncryptedBlock)\b' <<< "$tree" || true)"
    elif command -v mkvinfo >/dev/null; then
        echo "blocks: $(mkvinfo -s "$1" | grep -c ' frame, track ') (mkvinfo -s; build $cli to count elements)"
    else
        echo "packets: $(ffprobe -v error -show_entries packet=stream_index -of csv=p=0 "$1" | wc -l) (ffprobe)"
    fi
}

if [[ -f "$out" ]]; then
    echo "$out exists ($(stat -c %s "$out") bytes); remove it to make it anew"
    count "$out"
    exit 0
fi

# The clip must be a whole number of video frames (1/24 s), AC-3 frames
# (32 ms) and AAC frames (1024/48000 s): 8 s is the shortest such length.
if (( clip % 8 != 0 )); then
    echo "CLIP must be a multiple of 8 seconds" >&2; exit 2
fi
mkdir -p "$(dirname "$out")"
work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-film.XXXXXX")"
trap 'rm -rf "$work"' EXIT
loops=$(( (duration + clip - 1) / clip - 1 ))

# ffmpeg's AAC encoder puts 1024 samples of priming in front, so a clip fed
# with clip*48000 samples comes out one frame longer than the others, and the
# looping (which advances by the longest track) would leave a 21 ms hole in the
# video and AC-3 tracks at every seam. Feeding it 1024 samples less makes all
# three tracks exactly CLIP seconds long, and the looped tracks continuous.
echo "encoding a ${clip}s clip (1280x720, libx264 $preset, ${video_kbps} kbit/s) ..."
nice -n 10 ffmpeg -nostdin -v error -y \
    -t "$clip" -f lavfi -i "testsrc2=size=1280x720:rate=24,noise=alls=12:allf=t" \
    -t "$clip" -f lavfi -i "anoisesrc=sample_rate=48000:amplitude=0.05:color=pink" \
    -filter_complex "[1:a]asplit=2[surround][stereo];[stereo]atrim=end_sample=$(( clip * 48000 - 1024 ))[stereo_trimmed]" \
    -map 0:v -map "[surround]" -map "[stereo_trimmed]" \
    -c:v libx264 -preset "$preset" -pix_fmt yuv420p -g 240 \
    -b:v "${video_kbps}k" -maxrate "$(( video_kbps * 11 / 10 ))k" -bufsize "$(( video_kbps * 2 ))k" \
    -c:a:0 ac3 -ac:a:0 6 -b:a:0 448k \
    -c:a:1 aac -ac:a:1 2 -b:a:1 160k \
    -ar 48000 \
    "$work/clip.mkv"

# B-frames: decoded picture types of the first 20 s, and packets stored out of
# presentation order (pts != dts).
b_frames="$(ffprobe -v error -select_streams v:0 -read_intervals %+20 -show_entries frame=pict_type \
    -of csv=p=0 "$work/clip.mkv" | grep -c '^B' || true)"
reordered="$(ffprobe -v error -select_streams v:0 -show_entries packet=pts,dts -of csv=p=0 "$work/clip.mkv" |
    awk -F, '$1 != $2' | wc -l)"
echo "clip: $(stat -c %s "$work/clip.mkv") bytes; B-frames in the first 20 s: $b_frames;" \
    "video packets with pts != dts: $reordered"
(( b_frames > 0 )) || { echo "the clip has no B-frames" >&2; exit 1; }

echo "writing subtitles ..."
awk -v total="$duration" '
    function ts(ms) { return sprintf("%02d:%02d:%02d,%03d", ms / 3600000, (ms % 3600000) / 60000, (ms % 60000) / 1000, ms % 1000) }
    BEGIN {
        split("Where were you last night?|I waited by the station until the last train.|" \
              "Nobody saw him leave.|Ça ne fait rien, on recommence.|Turn left at the old mill.|" \
              "— Are you sure?\n— Quite sure.|Погоди, я сейчас вернусь.|The river is higher than last year.|" \
              "Keep the lights off.|We will talk about it tomorrow.", lines, "|")
        n = 0
        for (ms = 1500; ms + 3100 <= total * 1000; ms += 4000) {
            n++
            printf "%d\n%s --> %s\n%s\n\n", n, ts(ms), ts(ms + 2500 + (n % 3) * 300), lines[(n - 1) % 10 + 1]
        }
    }' > "$work/subs.srt"

echo "looping it to ${duration}s and muxing with ffmpeg ..."
nice -n 10 ffmpeg -nostdin -v error -y \
    -stream_loop "$loops" -i "$work/clip.mkv" -i "$work/subs.srt" \
    -map 0:v -map 0:a -map 1:s -t "$duration" -c copy \
    -metadata title="Benchmark film" \
    -metadata:s:v:0 language=eng -metadata:s:v:0 title=Video \
    -metadata:s:a:0 language=eng -metadata:s:a:0 title="Surround 5.1" \
    -metadata:s:a:1 language=eng -metadata:s:a:1 title=Stereo \
    -metadata:s:s:0 language=eng -metadata:s:s:0 title=Subtitles \
    "$work/out.mkv"
mv "$work/out.mkv" "$out"

echo "$out: $(stat -c %s "$out") bytes"
count "$out"
