#!/usr/bin/env bash
# Makes the media of the remux interop tests in the folder given as $1 (a
# build-tree folder). Files already made are kept: the work runs once per
# build tree, under a lock so that test processes running side by side wait
# for one another. Needs ffmpeg and mkvmerge.
#   h264_aac_srt.mkv  mkvmerge: H.264 with B-frames, AAC (laced), SRT; languages with BCP 47
#   h264_groups.mkv   mkvmerge --engage no_simpleblocks: the same tracks, every block in a
#                     BlockGroup, B-frames with forward ReferenceBlocks
#   mp3_ac3.mkv       mkvmerge, audio only: MP3 (Xiph lacing) and AC-3 (fixed lacing); a
#                     sample-exact timestamp scale instead of 1 ms
#   vorbis.mkv        mkvmerge: Vorbis (EBML lacing)
#   vp9_opus.mkv      ffmpeg: VP9 with Colour, VP9 with alpha (BlockAdditions), Opus with
#                     CodecDelay, SeekPreRoll and DiscardPadding on its last block
#   live.mkv          ffmpeg writing to a pipe: Segment of unknown size; H.264 and MP3
set -euo pipefail
dir=${1:?usage: make_remux_media.sh DIR}
mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9
stamp="$dir/.made-v1"
[ -f "$stamp" ] && exit 0

work=$(mktemp -d "$dir/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -v error -y "$@"; }

ff -f lavfi -i testsrc=size=96x64:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 \
  -c:v libx264 -preset ultrafast -g 12 -bf 2 -pix_fmt yuv420p -c:a aac -b:a 64k -shortest "$work/h264_aac.mp4"
printf '1\r\n00:00:00,200 --> 00:00:00,900\r\nHello\r\n\r\n2\r\n00:00:01,000 --> 00:00:01,800\r\nWorld\r\n' \
  > "$work/subs.srt"
mkvmerge -q -o "$work/h264_aac_srt.mkv" --language 0:eng --language 1:fra "$work/h264_aac.mp4" \
  --language 0:deu "$work/subs.srt"
mkvmerge -q -o "$work/h264_groups.mkv" --engage no_simpleblocks --language 1:spa "$work/h264_aac.mp4" \
  "$work/subs.srt"

ff -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -c:a libmp3lame -b:a 64k "$work/a.mp3"
ff -f lavfi -i sine=frequency=660:sample_rate=48000 -t 2 -c:a ac3 -b:a 96k "$work/a.ac3"
mkvmerge -q -o "$work/mp3_ac3.mkv" --language 0:fin "$work/a.mp3" --language 0:swe "$work/a.ac3"

ff -f lavfi -i sine=frequency=550:sample_rate=44100 -t 2 -c:a libvorbis -q:a 1 "$work/a.ogg"
mkvmerge -q -o "$work/vorbis.mkv" "$work/a.ogg"

ff -f lavfi -i testsrc=size=96x64:rate=25 -f lavfi -i sine=frequency=330:sample_rate=48000 -t 1.5 \
  -map 0:v -map 0:v -map 1:a -c:v libvpx-vp9 -pix_fmt:v:0 yuv420p -pix_fmt:v:1 yuva420p \
  -deadline realtime -cpu-used 8 -b:v 100k \
  -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc -color_range tv \
  -c:a libopus -b:a 32k -shortest "$work/vp9_opus.mkv"

ff -f lavfi -i testsrc=size=96x64:rate=25 -f lavfi -i sine=frequency=500:sample_rate=44100 -t 1.5 \
  -c:v libx264 -preset ultrafast -g 10 -bf 0 -pix_fmt yuv420p -c:a libmp3lame -b:a 64k \
  -f matroska pipe:1 > "$work/live.mkv"

for f in h264_aac_srt h264_groups mp3_ac3 vorbis vp9_opus live; do mv "$work/$f.mkv" "$dir/$f.mkv"; done
touch "$stamp"
