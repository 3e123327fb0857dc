#!/usr/bin/env bash
# Makes the seed corpus of the fuzz targets in tests/fuzz/corpus: small real
# files (a fraction of a second each) that between them hold every kind of
# element the reader and the writers know, so the fuzzer starts from there.
# The seeds are committed; run this again only to change them.
#   ffmpeg_h264_ac3_srt.mkv   ffmpeg: H.264 with B-frames, AC-3, SRT (BlockGroups with durations), CRC-32s
#   mkvmerge_lacing.mkv       mkvmerge: MP3 (Xiph lacing), AC-3 (fixed lacing), Vorbis (EBML lacing)
#   mkvmerge_groups.mkv       mkvmerge --engage no_simpleblocks: every block in a group, ReferenceBlocks
#   mkvmerge_attach_chap.mkv  mkvmerge: an attachment, chapters, tags, ASS subtitles
#   ffmpeg_live.mkv           ffmpeg to a pipe: Segment and Clusters of unknown size
#   mkvmerge_stripped.mkv     mkvmerge: header-stripping compression on an AC-3 track
#   sample_head.mkv, ffmpeg_sample_head.mkv  the first 3 KB of tests/data's samples (cut inside a block)
#   ffmpeg_decoded.mka        ffmpeg: FLAC, PCM s16be, PCM f32le, E-AC-3 5.1 and AAC, for the WAV export's decoders
#   ffmpeg_vfw_mp3.mkv        ffmpeg: MS MPEG-4 v2 in VFW mode and MP3, for the AVI conversion
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
ff() { ffmpeg -nostdin -v error -y "$@"; }
cd "$work"

ff -f lavfi -i testsrc2=size=32x24:rate=25 -t 0.4 -c:v libx264 -preset veryfast -bf 2 -g 6 -pix_fmt yuv420p v.mp4
ff -f lavfi -i sine=frequency=440:sample_rate=48000 -t 0.4 -ac 2 -c:a ac3 -b:a 96k a.ac3
ff -f lavfi -i sine=frequency=440:sample_rate=44100 -t 0.4 -c:a libmp3lame -b:a 32k a.mp3
ff -f lavfi -i sine=frequency=440:sample_rate=44100 -t 0.4 -c:a libvorbis -q:a 0 a.ogg
printf '1\r\n00:00:00,050 --> 00:00:00,200\r\nHi\r\n\r\n2\r\n00:00:00,250 --> 00:00:00,350\r\nÉté\r\n' > s.srt
printf '[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize\nStyle: Default,Arial,20\n\n[Events]\nFormat: Layer, Start, End, Style, Text\nDialogue: 0,0:00:00.05,0:00:00.30,Default,Hi\n' > s.ass
printf 'CHAPTER01=00:00:00.000\nCHAPTER01NAME=One\nCHAPTER02=00:00:00.200\nCHAPTER02NAME=Two\n' > ch.txt
printf 'font bytes' > font.ttf

ff -i v.mp4 -i a.ac3 -i s.srt -map 0 -map 1 -map 2 -c copy -c:s srt ffmpeg_h264_ac3_srt.mkv
mkvmerge -q -o mkvmerge_lacing.mkv a.mp3 a.ac3 a.ogg
mkvmerge -q --engage no_simpleblocks -o mkvmerge_groups.mkv v.mp4 s.srt
mkvmerge -q -o mkvmerge_attach_chap.mkv --chapters ch.txt --attach-file font.ttf a.ac3 s.ass
ff -i v.mp4 -i a.mp3 -map 0 -map 1 -c copy -f matroska - > ffmpeg_live.mkv
mkvmerge -q -o mkvmerge_stripped.mkv --compression 0:analyze_header_removal a.ac3
ff -f lavfi -i sine=frequency=440:sample_rate=8000 -f lavfi -i "aevalsrc=sin(300*2*PI*t)|0|0|0|0|0:s=48000:c=5.1" \
  -t 0.1 -map 0 -map 0 -map 0 -map 1 -map 0 -c:a:0 flac -c:a:1 pcm_s16be -c:a:2 pcm_f32le -c:a:3 eac3 -c:a:4 aac \
  ffmpeg_decoded.mka
ff -f lavfi -i testsrc2=size=32x24:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 -t 0.4 \
  -c:v msmpeg4v2 -g 6 -c:a libmp3lame -b:a 32k ffmpeg_vfw_mp3.mkv
head -c 3072 "$here/../data/sample.mkv" > sample_head.mkv
head -c 3072 "$here/../data/ffmpeg_sample.mkv" > ffmpeg_sample_head.mkv
cp ./*.mkv ./*.mka "$out/"
ls -l "$out"
