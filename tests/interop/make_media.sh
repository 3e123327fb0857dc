#!/usr/bin/env bash
# Makes the media of the scan interop tests in the folder given as $1 (a
# build-tree folder). A file already there is kept; the work runs under a
# lock, so test processes started side by side wait for one another. Each
# file is checked with mkvinfo for the feature it stands for. Needs ffmpeg,
# mkvmerge and mkvinfo.
#   ffmpeg_h264_aac_srt.mkv  ffmpeg: H.264, AAC, SRT subtitles (SimpleBlocks and, for the
#                            subtitles, BlockGroups with BlockDuration)
#   mkvmerge_mp3_ac3.mkv     mkvmerge remux of MP3 and AC-3: laced blocks (Xiph, EBML and
#                            fixed lacing)
#   mkvmerge_groups.mkv      mkvmerge --engage no_simpleblocks: H.264 with B-frames and SRT,
#                            every block in a BlockGroup (ReferenceBlock, BlockDuration)
#   mkvmerge_attach_chap.mkv mkvmerge: attachments and chapters around an AAC track
#   ffmpeg_live.mkv          ffmpeg writing Matroska to a pipe: Segment and Clusters of
#                            unknown size
#   ffmpeg_vp9_opus.mkv      ffmpeg: VP9 with Colour, Opus with CodecDelay and SeekPreRoll
set -euo pipefail
dir=${1:?usage: make_media.sh DIR}
mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9

work=$(mktemp -d "$dir/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
fail() { echo "make_media.sh: $*" >&2; exit 1; }
# mkvinfo's full listing of $1, in English whatever the locale.
info() { LC_ALL=C.UTF-8 mkvinfo --ui-language en_US --output-charset UTF-8 --all -P -z "$1"; }
# Moves $work/$1 into place.
keep() { mv "$work/$1" "$dir/$1"; }
want() { [ ! -s "$dir/$1" ]; }

srt() {
  printf '1\r\n00:00:00,200 --> 00:00:00,900\r\nHello\r\n\r\n2\r\n00:00:01,000 --> 00:00:01,800\r\nWorld\r\n' > "$1"
}

# (a) ffmpeg: H.264 + AAC + SRT.
f=ffmpeg_h264_aac_srt.mkv
if want $f; then
  srt "$work/a.srt"
  ff -f lavfi -i testsrc=size=64x48:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -i "$work/a.srt" -t 2 -map 0:v -map 1:a -map 2:s \
    -c:v libx264 -preset ultrafast -g 12 -bf 2 -pix_fmt yuv420p -c:a aac -b:a 48k -c:s srt \
    "$work/$f"
  listing=$(info "$work/$f")
  grep -q 'Codec ID: S_TEXT/UTF8' <<<"$listing" || fail "$f: no SRT track"
  keep $f
fi

# (b) mkvmerge remux of MP3 and AC-3; both get laced.
f=mkvmerge_mp3_ac3.mkv
if want $f; then
  ff -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -c:a libmp3lame -b:a 32k "$work/a.mp3"
  ff -f lavfi -i sine=frequency=660:sample_rate=48000 -t 2 -c:a ac3 -b:a 96k "$work/a.ac3"
  mkvmerge -q -o "$work/$f" "$work/a.mp3" "$work/a.ac3"
  listing=$(info "$work/$f")
  grep -q 'Simple block: .*, [2-9][0-9]* frame(s)' <<<"$listing" || fail "$f: no laced block"
  keep $f
fi

# (c) mkvmerge, no SimpleBlocks: H.264 with B-frames and SRT in BlockGroups.
f=mkvmerge_groups.mkv
if want $f; then
  srt "$work/a.srt"
  ff -f lavfi -i testsrc=size=64x48:rate=25 -t 2 -c:v libx264 -preset ultrafast -g 12 -bf 2 \
    -pix_fmt yuv420p "$work/v.mp4"
  mkvmerge -q -o "$work/$f" --engage no_simpleblocks "$work/v.mp4" "$work/a.srt"
  listing=$(info "$work/$f")
  grep -q 'Block group' <<<"$listing" || fail "$f: no BlockGroup"
  grep -q 'Block duration' <<<"$listing" || fail "$f: no BlockDuration"
  grep -q 'Reference block' <<<"$listing" || fail "$f: no ReferenceBlock"
  grep -q 'Simple block' <<<"$listing" && fail "$f: SimpleBlocks present"
  keep $f
fi

# (d) mkvmerge: two attachments and chapters (edition, two atoms, names in two languages).
f=mkvmerge_attach_chap.mkv
if want $f; then
  ff -f lavfi -i sine=frequency=330:sample_rate=22050 -t 1 -c:a aac -b:a 32k "$work/a.m4a"
  printf 'Quillon attachment text\n' > "$work/notes.txt"
  head -c 700 /dev/zero | tr '\0' 'Q' > "$work/blob.bin"
  cat > "$work/chapters.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<Chapters>
  <EditionEntry>
    <ChapterAtom>
      <ChapterTimeStart>00:00:00.000000000</ChapterTimeStart>
      <ChapterDisplay><ChapterString>Начало</ChapterString><ChapterLanguage>rus</ChapterLanguage></ChapterDisplay>
      <ChapterDisplay><ChapterString>Start</ChapterString><ChapterLanguage>eng</ChapterLanguage></ChapterDisplay>
    </ChapterAtom>
    <ChapterAtom>
      <ChapterTimeStart>00:00:00.500000000</ChapterTimeStart>
      <ChapterTimeEnd>00:00:01.000000000</ChapterTimeEnd>
      <ChapterDisplay><ChapterString>Middle</ChapterString><ChapterLanguage>eng</ChapterLanguage></ChapterDisplay>
    </ChapterAtom>
  </EditionEntry>
</Chapters>
EOF
  mkvmerge -q -o "$work/$f" --chapters "$work/chapters.xml" \
    --attachment-mime-type text/plain --attachment-description "Notes" --attach-file "$work/notes.txt" \
    --attachment-mime-type application/octet-stream --attach-file "$work/blob.bin" "$work/a.m4a"
  listing=$(info "$work/$f")
  [ "$(grep -c '^| + Attached at ' <<<"$listing")" -eq 2 ] || fail "$f: not two attachments"
  [ "$(grep -c 'Chapter atom' <<<"$listing")" -eq 2 ] || fail "$f: not two chapter atoms"
  keep $f
fi

# (e) ffmpeg writing to a pipe: it cannot seek back, so the Segment's size
# stays unknown. ffmpeg still buffers each Cluster and writes its real size,
# so the size fields of every Cluster but the second are then overwritten in
# place with "unknown" of the same width (all value bits set), as a streaming
# muxer that does not buffer would write them; the second one keeps its size,
# so an unknown-size Cluster is followed by a known-size one.
f=ffmpeg_live.mkv
if want $f; then
  ff -f lavfi -i testsrc=size=64x48:rate=25 -f lavfi -i sine=frequency=500:sample_rate=44100 -t 1.5 \
    -c:v libx264 -preset ultrafast -g 10 -bf 0 -pix_fmt yuv420p -c:a libmp3lame -b:a 32k \
    -cluster_time_limit 400 -f matroska pipe:1 | cat > "$work/$f"
  clusters=$(info "$work/$f" | sed -n 's/^|+ Cluster at \([0-9]*\) size \([0-9]*\) data size \([0-9]*\)$/\1 \2 \3/p')
  n=0
  while read -r pos total data; do
    n=$((n + 1))
    [ $n -eq 2 ] && continue
    width=$((total - data - 4))  # the Cluster ID has 4 bytes
    # shellcheck disable=SC2059 # the format is the byte escape built here
    { printf "\\x$(printf %02x $((0xFF >> (width - 1))))"
      for ((i = 1; i < width; i++)); do printf '\xff'; done
    } | dd of="$work/$f" bs=1 seek=$((pos + 4)) conv=notrunc status=none
  done <<<"$clusters"
  listing=$(info "$work/$f")
  grep -q 'Segment: size unknown' <<<"$listing" || fail "$f: Segment size is known"
  [ "$(grep -c '^|+ Cluster at [0-9]* size is unknown$' <<<"$listing")" -ge 2 ] ||
    fail "$f: fewer than two Clusters of unknown size"
  keep $f
fi

# (f) ffmpeg: VP9 with colour metadata and Opus.
f=ffmpeg_vp9_opus.mkv
if want $f; then
  ff -f lavfi -i testsrc=size=64x48:rate=25 -f lavfi -i sine=frequency=330:sample_rate=48000 -t 1.5 \
    -c:v libvpx-vp9 -pix_fmt yuv420p -deadline realtime -cpu-used 8 -b:v 50k \
    -color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv \
    -c:a libopus -b:a 24k -shortest "$work/$f"
  listing=$(info "$work/$f")
  for what in 'Color primaries' 'Codec-inherent delay' 'Seek pre-roll' 'Codec ID: V_VP9' 'Codec ID: A_OPUS'; do
    grep -q "$what" <<<"$listing" || fail "$f: no '$what'"
  done
  keep $f
fi
