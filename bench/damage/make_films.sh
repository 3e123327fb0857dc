#!/usr/bin/env bash
# Makes the films of the damage harness once, in bench/data/damage/ (git-ignored):
#
#   film_ffmpeg.mkv    muxed by ffmpeg -c copy (a CRC-32 in every Cluster, Cues, SeekHead)
#   film_mkvmerge.mkv  muxed by mkvmerge from the same elementary streams
#   film_live.mkv      muxed by ffmpeg into a pipe (-f matroska - | cat > FILE): the
#                      muxer cannot seek back, so the Segment's size stays unknown and
#                      there are no Cues. ffmpeg still writes each Cluster's size (it
#                      holds a whole Cluster in memory), so the script then sets every
#                      Cluster's size field to "unknown" in its own width, as muxers
#                      that stream Cluster by Cluster write them
#   other.mkv          a short different film (other picture, other sound, other
#                      lines), muxed by mkvmerge: the second half of the "concat" case
#
# The elementary streams: H.264 1280x720 24 fps ~2.5 Mbit/s from libx264 at its
# default preset (B-frames: the script stops if the video has no packet with
# pts != dts), AC-3 5.1 48 kHz 448 kbit/s, AAC-LC stereo 48 kHz 160 kbit/s (in
# .m4a) and an SRT track with a different line every 4 s. ~28 MB per film for
# 72 s; about two minutes of encoding on 2 cores.
#
# Usage: bench/damage/make_films.sh          (does nothing for a film already there)
# Environment: DURATION (seconds, default 72), VIDEO_KBPS (default 2500), DIR
#              (default bench/data/damage).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
dir="${DIR:-$here/../data/damage}"
duration="${DURATION:-72}"
video_kbps="${VIDEO_KBPS:-2500}"

for tool in ffmpeg ffprobe mkvmerge python3; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"

if [[ -f "$dir/film_ffmpeg.mkv" && -f "$dir/film_mkvmerge.mkv" && -f "$dir/film_live.mkv" && -f "$dir/other.mkv" ]]; then
    echo "the films are in $dir; remove them to make them anew"
    ls -l "$dir"/*.mkv
    exit 0
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-damage-films.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# subtitles NAME SECONDS FIRST_WORD: an SRT with a line every 4 s, each one different
subtitles() {
    awk -v total="$2" -v word="$3" '
        function ts(ms) { return sprintf("%02d:%02d:%02d,%03d", ms / 3600000, (ms % 3600000) / 60000, (ms % 60000) / 1000, ms % 1000) }
        BEGIN {
            split("Where were you last night?|I waited by the station until the last train.|" \
                  "Nobody saw him leave.|Ça ne fait rien, on recommence.|Turn left at the old mill.|" \
                  "— Are you sure?\n— Quite sure.|Погоди, я сейчас вернусь.|The river is higher than last year.|" \
                  "Keep the lights off.|We will talk about it tomorrow.", lines, "|")
            n = 0
            for (ms = 1500; ms + 3100 <= total * 1000; ms += 4000) {
                n++
                printf "%d\n%s --> %s\n%s (%s %d)\n\n", n, ts(ms), ts(ms + 2500 + (n % 3) * 300), lines[(n - 1) % 10 + 1], word, n
            }
        }' > "$1"
}

# sources PREFIX SECONDS SIZE PICTURE SOUND: video PREFIX.mp4, PREFIX.ac3, PREFIX.m4a, PREFIX.srt
sources() {
    local p="$1" t="$2" size="$3" picture="$4" sound="$5"
    echo "encoding $p: ${t}s of $size H.264 (libx264, default preset) ..."
    nice -n 10 ffmpeg -nostdin -v error -y \
        -t "$t" -f lavfi -i "$picture=size=$size:rate=24,noise=alls=10:allf=t" \
        -c:v libx264 -pix_fmt yuv420p -threads 2 \
        -b:v "${video_kbps}k" -maxrate "$(( video_kbps * 12 / 10 ))k" -bufsize "$(( video_kbps * 2 ))k" \
        "$p.mp4"
    nice -n 10 ffmpeg -nostdin -v error -y \
        -t "$t" -f lavfi -i "$sound" \
        -filter_complex "[0:a]asplit=2[surround][stereo]" \
        -map "[surround]" -c:a ac3 -ac 6 -b:a 448k -ar 48000 "$p.ac3" \
        -map "[stereo]" -c:a aac -ac 2 -b:a 160k -ar 48000 "$p.m4a"
    subtitles "$p.srt" "$t" "${p##*/}"
    # B-frames: video packets stored out of presentation order
    local reordered
    reordered="$(ffprobe -v error -select_streams v:0 -show_entries packet=pts,dts -of csv=p=0 "$p.mp4" |
        awk -F, '$1 != $2' | wc -l)"
    echo "  video packets with pts != dts: $reordered"
    (( reordered > 0 )) || { echo "the H.264 stream of $p has no B-frames" >&2; exit 1; }
}

sources "$work/film" "$duration" 1280x720 testsrc2 "anoisesrc=sample_rate=48000:amplitude=0.05:color=pink"
sources "$work/other" 24 1280x720 smptehdbars "sine=frequency=330:sample_rate=48000"

ffmpeg_mux() {  # the output options and the output
    ffmpeg -nostdin -v error -y \
        -i "$work/film.mp4" -i "$work/film.ac3" -i "$work/film.m4a" -i "$work/film.srt" \
        -map 0:v -map 1:a -map 2:a -map 3:s -c copy \
        -metadata title="Damage film" \
        -metadata:s:a:0 title="Surround 5.1" -metadata:s:a:1 title=Stereo -metadata:s:s:0 title=Subtitles \
        -metadata:s:v:0 language=eng -metadata:s:a:0 language=eng -metadata:s:a:1 language=eng \
        -metadata:s:s:0 language=eng "$@"
}

echo "muxing film_ffmpeg.mkv ..."
ffmpeg_mux "$work/film_ffmpeg.mkv"
echo "muxing film_live.mkv (through a pipe) ..."
ffmpeg_mux -f matroska - | cat > "$work/film_live.mkv"
python3 "$here/ebml.py" --unknown-cluster-sizes "$work/film_live.mkv"
echo "muxing film_mkvmerge.mkv ..."
mkvmerge -q -o "$work/film_mkvmerge.mkv" --title "Damage film" \
    --language 0:eng "$work/film.mp4" \
    --language 0:eng --track-name "0:Surround 5.1" "$work/film.ac3" \
    --language 0:eng --track-name 0:Stereo "$work/film.m4a" \
    --language 0:eng --track-name 0:Subtitles "$work/film.srt" || (( $? == 1 ))
echo "muxing other.mkv ..."
mkvmerge -q -o "$work/other.mkv" --title "Another film" \
    "$work/other.mp4" "$work/other.ac3" "$work/other.m4a" "$work/other.srt" || (( $? == 1 ))

for f in film_ffmpeg film_mkvmerge film_live other; do
    mv "$work/$f.mkv" "$dir/$f.mkv"
    echo "$dir/$f.mkv: $(stat -c %s "$dir/$f.mkv") bytes," \
        "$(ffprobe -v error -show_entries packet=stream_index -of csv=p=0 "$dir/$f.mkv" | wc -l) packets"
done
