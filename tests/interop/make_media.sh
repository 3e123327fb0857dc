#!/usr/bin/env bash
# Makes the media of every interop suite in the folder given as $1 (a
# build-tree folder). The work runs once per build tree, under a lock, so test
# processes started side by side wait for one another; the stamp it leaves is
# named after this script's contents, so a changed recipe makes everything
# anew. Each file is checked with mkvinfo (or ffprobe) for the features it
# stands for. Needs ffmpeg, ffprobe, mkvmerge, mkvinfo and python3.
#
# Every H.264 track is x264's "veryfast" with two B-frames, so blocks come in
# decoding order with times out of order, as in a real film; the films made
# to import from (below) have x264's default preset (three B-frames, B-pyramid).
#
#   ffmpeg_h264_aac_srt.mkv    ffmpeg: H.264, AAC, SRT (SimpleBlocks; the subtitles in
#                              BlockGroups with BlockDuration), clusters of 500 ms, CRC-32
#                              elements                                      scan, damaged
#   mkvmerge_h264_ac3_srt.mkv  mkvmerge: H.264, AC-3 (laced), SRT ending near the end,
#                              clusters of 500 ms                            damaged
#   mkvmerge_h264_aac_srt.mkv  mkvmerge: H.264, AAC (laced), SRT; languages with BCP 47
#                                                                            remux
#   mkvmerge_tags.mkv          mkvmerge: the same with global tags (TITLE, ARTIST, DATE_RELEASED) and a
#                              tag aimed at the AAC track (COMMENT)          remux
#   mkvmerge_groups.mkv        mkvmerge --engage no_simpleblocks: the same tracks, every
#                              block in a BlockGroup (ReferenceBlock, BlockDuration), forward
#                              references from the B-frames                  scan, remux
#   mkvmerge_mp3_ac3.mkv       mkvmerge, audio only: MP3 (Xiph lacing) and AC-3 (fixed
#                              lacing); a sample-exact timestamp scale       scan, remux
#   mkvmerge_vorbis.mkv        mkvmerge: Vorbis (EBML lacing)                remux
#   mkvmerge_attach_chap.mkv   mkvmerge: two attachments and chapters around an AAC track
#                                                                            scan
#   mkvpropedit_appended.mkv   the mkvmerge H.264 film above with an attachment and 120 chapters
#                              appended by mkvpropedit behind the Clusters  info, json
#   ffmpeg_vp9_opus.mkv        ffmpeg: VP9 with Colour, VP9 with alpha (BlockAdditions),
#                              Opus with CodecDelay, SeekPreRoll and DiscardPadding on its
#                              last block                                    scan, remux
#   ffmpeg_vp9_opus.webm mkvmerge_vp9_opus.webm
#                              the VP9 and Opus of the film above as WebM, by ffmpeg's WebM
#                              muxer and by mkvmerge --webm                  scan
#   ffmpeg_opus16k.mka         ffmpeg: Opus from 16 kHz sound (the track says 16000 Hz) with
#                              DiscardPadding                                wav
#   ffmpeg_pipe.mkv            ffmpeg writing to a pipe: Segment of unknown size; H.264, MP3
#                                                                            remux
#   ffmpeg_live.mkv            as ffmpeg_pipe.mkv, and Clusters of unknown size too
#                                                                            scan
#   mkvmerge_audio.mkv         mkvmerge, audio only (a sample-exact timestamp scale): AC-3
#                              (laced), MP3, AAC, FLAC and Vorbis (laced), tracks 1 to 5
#                                                                            export
#   ffmpeg_audio_subs.mkv      ffmpeg: AC-3, AAC, FLAC, Vorbis, ASS and SRT, tracks 1 to 6,
#                              no lacing                                     export
#   mkvmerge_subtitles.mkv     mkvmerge: Vorbis, cyrillic.srt, script.ass (LF line ends),
#                              big.srt (a 2.5 MB line: a block bigger than the read-ahead
#                              cache) and script.ssa (S_TEXT/SSA), tracks 1 to 5
#                                                                            export
#   cyrillic.srt big.srt script.ass script.ssa
#                              the subtitle files fed to mkvmerge, kept to compare with
#
# Tracks to add (track adding):
#   ffmpeg_import.mkv          ffmpeg: H.264, AC-3; SimpleBlocks only, tracks 1, 2
#   mkvmerge_import.mkv        mkvmerge: H.264, MP3 (laced), tracks 1, 2
#   mkvmerge_groups_500us.mkv  mkvmerge --engage no_simpleblocks --timestamp-scale 500000:
#                              the same H.264 and MP3 and an SRT, every block in a BlockGroup
#                              (ReferenceBlock, BlockDuration), ticks of half a millisecond,
#                              tracks 1 to 3
#   lf.srt bom.srt utf16.srt cp1251.srt
#                              cyrillic.srt with LF line ends; with a UTF-8 BOM; in UTF-16LE
#                              with a BOM; in cp1251 (CR LF, no BOM)
#   mpeg1_cbr.mp3              MPEG-1 Layer III, 44.1 kHz stereo, CBR, no tags
#   mpeg1_vbr_id3.mp3          MPEG-1 Layer III, 44.1 kHz stereo, VBR (-q:a 4), ID3v2.3 and ID3v1
#   mpeg2_22k_id3.mp3          MPEG-2 Layer III, 22.05 kHz, CBR, ID3v2.4 and ID3v1
#   mpeg2_24k_vbr.mp3          MPEG-2 Layer III, 24 kHz, VBR, no tags
#   mpeg25_8k.mp3              MPEG-2.5 Layer III, 8 kHz, CBR, no tags
#                              (the five above without a Xing/Info frame: -write_xing 0)
#   mpeg1_xing.mp3             MPEG-1 Layer III, VBR, as ffmpeg writes it by default: ID3v2.4,
#                              then a Xing frame (encoder delay and padding for gapless play)
#   layer2.mp3                 MPEG-1 Layer II, 48 kHz (ffmpeg's mp2 encoder), no tags
#
# Timelines (the timeline check and its repairs):
#   ffmpeg_hevc.mkv            ffmpeg: HEVC (libx265's default preset: B-frames, B-pyramid), AC-3;
#                              made only when ffmpeg has libx265
#   mkvmerge_mpeg4_asp.mkv     mkvmerge from an .mp4: MPEG-4 ASP with two B-frames (stored with
#                              their presentation times, "discardable"), MP3
#   mkvmerge_timeline.mkv      mkvmerge --cluster-length 1000ms: H.264 (x264's default preset,
#                              three B-frames, a key frame every second: each Cluster one closed
#                              GOP of 25 frames spanning 1 s), AC-3 (laced), an SRT with a line in
#                              every second; tracks 1 to 3
#   mkvmerge_timeline_groups.mkv  the same with --engage no_simpleblocks (every block in a BlockGroup)
#   ffmpeg_timeline.mkv        ffmpeg: the same pictures, AAC and the SRT, -cluster_time_limit 1000,
#                              no CRC-32: Clusters of about 0.85 s that do not start at key frames
# Copies damaged by patching bytes (python3 below), the rest of each file untouched:
#   *_lowered.mkv              (of the three films above) the middle Cluster's Timecode 2000 lower,
#                              in its own width: every block of that Cluster is earlier than every
#                              block of the Cluster before, and than an earlier block of its track
#   mkvmerge_timeline_pframe.mkv, _pframe_between.mkv  one P-frame of mkvmerge_timeline.mkv
#                              (shown after the two B-frames decoded behind it) lowered 1 s, or
#                              put halfway between those B-frames                timeline
#   mkvmerge_timeline_swapped.mkv  the Timecodes of the two middle Clusters of mkvmerge_timeline.mkv
#                              swapped: both span 1 s and hold whole GOPs, so the times stay
#                              consistent and only the order of the blocks is wrong
#   mkvmerge_timeline_nonkey.mkv  the 16-bit timecodes of the non-key video SimpleBlocks of the middle
#                              Cluster (one GOP) moved 1 s before the start, keeping their order
#                              among themselves; the key frames keep their times
#   ffmpeg_wav.mkv             ffmpeg, for the WAV export: H.264 (B-frames), AC-3 5.1, PCM s16be (A_PCM/INT/BIG),
#                              PCM s24le, PCM f32le (A_PCM/FLOAT/IEEE), PCM u8, MP3 (MPEG-2, 22.05 kHz),
#                              E-AC-3 5.1: tracks 1 to 8
#   mkvmerge_wav.mkv           mkvmerge: PCM 24-bit from a WAV, AC-3 5.1, AAC 5.1: tracks 1 to 3
#   ffmpeg_ac3_damaged.mka     ffmpeg: AC-3 2.0 alone, the sync word of its fifth frame zeroed
#   mkvmerge_xvid_ac3.mkv      mkvmerge from an ffmpeg AVI: MPEG-4 ASP (XVID, two B-frames) in VFW mode, AC-3
#   mkvmerge_xvid_aac.mkv      the same with AAC
#   ffmpeg_mp42_aac.mkv        ffmpeg: MS MPEG-4 v2 (MP42, stored in VFW mode by ffmpeg itself), AAC
#
# Video and picture subtitles to their stream forms (stream export):
#   ffmpeg_streams.mkv         ffmpeg: H.264 (x264's default preset: three B-frames, B-pyramid, a key
#                              frame every 12), HEVC (x265's default preset, a key frame every 10, sets
#                              only in the CodecPrivate), VP8, VP9 (30000/1001 fps), AV1 (libaom, 24 fps,
#                              hidden frames), MPEG-2 (two B-frames), MPEG-4 ASP (V_MPEG4/ISO/ASP, two
#                              B-frames, its VOL only in the CodecPrivate): tracks 1 to 7 (ffmpeg
#                              stores WebVTT under another CodecID, so it has none)
#   mkvmerge_streams.mkv       mkvmerge: the H.264 from an .mp4, HEVC from a raw stream with sets and
#                              delimiters in every key frame, VP9 and AV1 from IVF files, MPEG-2 from
#                              an elementary stream, PGS from a .sup (uncompressed), WebVTT with cue
#                              settings, identifiers, a style block and comments: tracks 1 to 7
#   mkvmerge_compressed.mkv    mkvmerge: the same H.264 zlib-compressed, MPEG-4 ASP (from
#                              ffmpeg_streams.mkv) with its start codes stripped (header removal),
#                              PGS (mkvmerge's default: zlib), WebVTT zlib, AC-3 zlib: tracks 1 to 5
#   pictures.sup cues.vtt      the PGS and WebVTT files fed to mkvmerge
set -euo pipefail
dir=${1:?usage: make_media.sh DIR}
mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9
stamp="$dir/.made-$(sha256sum "${BASH_SOURCE[0]}" | cut -c1-16)"
[ -f "$stamp" ] && exit 0
find "$dir" -mindepth 1 -maxdepth 1 ! -name .lock -exec rm -rf {} +

work=$(mktemp -d "$dir/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
fail() { echo "make_media.sh: $*" >&2; exit 1; }
# mkvinfo's full listing of $1, in English whatever the locale.
info() { LC_ALL=C.UTF-8 mkvinfo --ui-language en_US --output-charset UTF-8 --all -P -z "$1"; }
has() { grep -q -- "$2" <<<"$1" || fail "$3: no '$2'"; }
# Fails unless the first video stream of $1 has B-frames.
bframes() {
  [[ $(ffprobe -v error -select_streams v:0 -show_entries frame=pict_type -of csv=p=0 "$1") == *B* ]] ||
    fail "$(basename "$1"): no B-frames"
}
x264=(-c:v libx264 -preset veryfast -bf 2 -pix_fmt yuv420p)
film=(-f lavfi -i testsrc=size=96x64:rate=25)

# ---------------------------------------------------------------- sources

two='1\r\n00:00:00,200 --> 00:00:00,900\r\nHello\r\n\r\n2\r\n00:00:01,000 --> 00:00:01,800\r\nWorld\r\n'
printf "$two" > "$work/subs.srt"
printf "$two"'\r\n3\r\n00:00:02,300 --> 00:00:02,950\r\nThe end\r\n' > "$work/subs3.srt"

ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 \
  "${x264[@]}" -g 12 -c:a aac -b:a 64k -shortest "$work/h264_aac.mp4"
bframes "$work/h264_aac.mp4"
ff "${film[@]}" -t 3 "${x264[@]}" -g 12 "$work/h264.mp4"
bframes "$work/h264.mp4"
ff -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -c:a libmp3lame -b:a 64k "$work/a.mp3"
ff -f lavfi -i sine=frequency=660:sample_rate=48000 -t 2 -c:a ac3 -b:a 96k "$work/a.ac3"
ff -f lavfi -i sine=frequency=660:sample_rate=48000 -t 3 -c:a ac3 -b:a 96k "$work/a3s.ac3"
ff -f lavfi -i sine=frequency=550:sample_rate=44100 -t 2 -c:a libvorbis -q:a 1 "$work/a.ogg"

# ---------------------------------------------------------------- the films

f=ffmpeg_h264_aac_srt.mkv
ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=44100 -i "$work/subs.srt" -t 3 \
  -map 0:v -map 1:a -map 2:s "${x264[@]}" -g 12 -c:a aac -b:a 48k -c:s srt -cluster_time_limit 500 \
  "$work/$f"
listing=$(info "$work/$f")
has "$listing" 'Codec ID: S_TEXT/UTF8' $f
[ "$(grep -c '^|+ Cluster' <<<"$listing")" -ge 4 ] || fail "$f: fewer than four Clusters"
bframes "$work/$f"

f=mkvmerge_h264_ac3_srt.mkv
mkvmerge -q -o "$work/$f" --cluster-length 500ms "$work/h264.mp4" "$work/a3s.ac3" "$work/subs3.srt"
listing=$(info "$work/$f")
has "$listing" 'Codec ID: A_AC3' $f
has "$listing" 'track number 2, [2-9][0-9]* frame(s)' $f
has "$listing" 'Block group' $f
[ "$(grep -c '^|+ Cluster' <<<"$listing")" -ge 4 ] || fail "$f: fewer than four Clusters"

f=mkvmerge_h264_aac_srt.mkv
mkvmerge -q -o "$work/$f" --language 0:eng --language 1:fra "$work/h264_aac.mp4" \
  --language 0:deu "$work/subs.srt"
has "$(info "$work/$f")" 'Language (IETF BCP 47): fr' $f

f=mkvmerge_tags.mkv
cat > "$work/global_tags.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Tags><Tag><Targets><TargetTypeValue>50</TargetTypeValue></Targets>
  <Simple><Name>TITLE</Name><String>Фильм с тегами</String></Simple>
  <Simple><Name>ARTIST</Name><String>Someone</String></Simple>
  <Simple><Name>DATE_RELEASED</Name><String>2026</String></Simple>
</Tag></Tags>
XML
cat > "$work/audio_tags.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Tags><Tag><Targets><TargetTypeValue>30</TargetTypeValue></Targets>
  <Simple><Name>COMMENT</Name><String>the French audio</String></Simple>
</Tag></Tags>
XML
mkvmerge -q -o "$work/$f" --global-tags "$work/global_tags.xml" --tags 1:"$work/audio_tags.xml" \
  --language 1:fra "$work/h264_aac.mp4" --language 0:deu "$work/subs.srt"
listing=$(info "$work/$f")
for what in 'Name: DATE_RELEASED' 'Name: COMMENT' 'Track UID'; do has "$listing" "$what" $f; done

f=mkvmerge_groups.mkv
mkvmerge -q -o "$work/$f" --engage no_simpleblocks --language 1:spa "$work/h264_aac.mp4" "$work/subs.srt"
listing=$(info "$work/$f")
for what in 'Block group' 'Block duration' 'Reference block'; do has "$listing" "$what" $f; done
grep -q 'Simple block' <<<"$listing" && fail "$f: SimpleBlocks present"

f=mkvmerge_mp3_ac3.mkv
mkvmerge -q -o "$work/$f" --language 0:fin "$work/a.mp3" --language 0:swe "$work/a.ac3"
listing=$(info "$work/$f")
has "$listing" 'Simple block: .*, [2-9][0-9]* frame(s)' $f

f=mkvmerge_vorbis.mkv
mkvmerge -q -o "$work/$f" "$work/a.ogg"
has "$(info "$work/$f")" 'Codec ID: A_VORBIS' $f

f=mkvmerge_attach_chap.mkv
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

# Attachments and chapters too big for the room in front: mkvpropedit appends
# them behind the Clusters and names them in a second SeekHead.
f=mkvpropedit_appended.mkv
cp "$work/mkvmerge_h264_aac_srt.mkv" "$work/$f"
head -c 20000 /dev/urandom > "$work/appended.bin"
for i in $(seq 1 120); do
  printf 'CHAPTER%03d=00:00:%02d.%03d\nCHAPTER%03dNAME=Chapter number %d of the film\n' \
    "$i" $((i / 40)) $((i * 25 % 1000)) "$i" "$i"
done > "$work/appended_chapters.txt"
mkvpropedit -q "$work/$f" --add-attachment "$work/appended.bin" --chapters "$work/appended_chapters.txt"
tops=$(LC_ALL=C.UTF-8 mkvinfo --ui-language en_US -a "$work/$f" | grep '^|+ ' | tr '\n' ' ')
[[ "$tops" == *"+ Cluster |+ Cues |+ Tags |+ Chapters |+ Attachments "* ]] || fail "$f: not appended: $tops"

f=ffmpeg_vp9_opus.mkv
ff "${film[@]}" -f lavfi -i sine=frequency=330:sample_rate=48000 -t 1.5 \
  -map 0:v -map 0:v -map 1:a -c:v libvpx-vp9 -pix_fmt:v:0 yuv420p -pix_fmt:v:1 yuva420p \
  -deadline realtime -cpu-used 8 -b:v 100k \
  -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc -color_range tv \
  -c:a libopus -b:a 32k -shortest "$work/$f"
listing=$(info "$work/$f")
for what in 'Color primaries' 'Codec-inherent delay' 'Seek pre-roll' 'Codec ID: V_VP9' 'Codec ID: A_OPUS' \
  'VideoAlphaMode'; do
  has "$listing" "$what" $f
done

# Opus from 16 kHz sound: the track says 16000 Hz, the decoder works at 48 kHz
# and the last block's DiscardPadding counts in its time.
f=ffmpeg_opus16k.mka
ff -f lavfi -i sine=frequency=330:sample_rate=16000 -t 1.3 -c:a libopus -b:a 24k "$work/$f"
has "$(info "$work/$f")" 'Sampling frequency: 16000' $f
has "$(info "$work/$f")" 'Discard padding' $f

# The same streams as WebM, written by ffmpeg's WebM muxer and by mkvmerge's WebM mode.
ff -i "$work/ffmpeg_vp9_opus.mkv" -map 0:0 -map 0:2 -c copy -f webm "$work/ffmpeg_vp9_opus.webm"
mkvmerge -q --webm -o "$work/mkvmerge_vp9_opus.webm" "$work/ffmpeg_vp9_opus.webm"
for f in ffmpeg_vp9_opus.webm mkvmerge_vp9_opus.webm; do has "$(info "$work/$f")" 'Document type: webm' $f; done

f=ffmpeg_pipe.mkv
ff "${film[@]}" -f lavfi -i sine=frequency=500:sample_rate=44100 -t 1.5 \
  "${x264[@]}" -g 10 -c:a libmp3lame -b:a 64k -f matroska pipe:1 > "$work/$f"
has "$(info "$work/$f")" 'Segment: size unknown' $f
bframes "$work/$f"

# ffmpeg writing to a pipe cannot seek back, so the Segment's size stays
# unknown. ffmpeg still buffers each Cluster and writes its real size, so the
# size fields of every Cluster but the second are then overwritten in place
# with "unknown" of the same width (all value bits set), as a streaming muxer
# that does not buffer would write them; the second one keeps its size, so an
# unknown-size Cluster is followed by a known-size one.
f=ffmpeg_live.mkv
ff "${film[@]}" -f lavfi -i sine=frequency=500:sample_rate=44100 -t 1.5 \
  "${x264[@]}" -g 10 -c:a libmp3lame -b:a 32k \
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
has "$listing" 'Segment: size unknown' $f
[ "$(grep -c '^|+ Cluster at [0-9]* size is unknown$' <<<"$listing")" -ge 2 ] ||
  fail "$f: fewer than two Clusters of unknown size"
bframes "$work/$f"

# ------------------------------------------------------- audio and subtitles

ff -f lavfi -i sine=frequency=440:sample_rate=48000 -t 6 -ac 2 -c:a ac3 -b:a 128k "$work/e.ac3"
ff -f lavfi -i sine=frequency=500:sample_rate=44100 -t 6 -c:a libmp3lame -b:a 96k "$work/e.mp3"
ff -f lavfi -i sine=frequency=600:sample_rate=44100 -t 6 -ac 2 -c:a aac -b:a 96k "$work/e.m4a"
ff -f lavfi -i anoisesrc=sample_rate=44100:amplitude=0.3 -t 6 -ac 2 -c:a flac "$work/e.flac"
ff -f lavfi -i sine=frequency=700:sample_rate=44100 -t 9.5 -ac 2 -c:a libvorbis -q:a 3 "$work/e.ogg"

python3 - "$work" <<'PY'
import random, sys
work = sys.argv[1]
random.seed(1)
big = ''.join(random.choice('abcdefghijklmnopqrstuvwxyz ') for _ in range(2_500_000))
def srt(path, events):
    with open(path, 'w', encoding='utf-8', newline='') as f:
        for n, (start, end, text) in enumerate(events, 1):
            f.write(f"{n}\r\n{start} --> {end}\r\n{text}\r\n\r\n")
srt(f"{work}/cyrillic.srt", [("00:00:00,500", "00:00:02,000", "Привет, мир!"),
                             ("00:00:02,500", "00:00:04,250", "Вторая строка\r\nи ещё одна"),
                             ("00:00:05,000", "00:00:05,900", "Hello, <i>world</i>")])
srt(f"{work}/big.srt", [("00:00:01,000", "00:00:03,000", "small"),
                        ("00:00:04,000", "00:00:05,000", big),
                        ("00:00:06,000", "00:00:07,000", "after")])
with open(f"{work}/script.ass", 'w', encoding='utf-8', newline='\n') as f:
    f.write("""[Script Info]
Title: export test
ScriptType: v4.00+
PlayResX: 384
PlayResY: 288

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,0,2,10,10,10,1
Style: Sign,Arial,16,&H0000FFFF,&H000000FF,&H00000000,&H00000000,1,0,0,0,100,100,0,0,1,2,0,8,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:00.50,0:00:02.00,Default,,0,0,0,,Hello, world
Dialogue: 1,0:00:02.25,0:00:03.75,Sign,Anna,0,0,0,,Привет, мир
Dialogue: 0,0:00:04.00,0:00:05.53,Default,,0,0,0,,Third line, with commas, many
""")
with open(f"{work}/script.ssa", 'w', encoding='utf-8', newline='\n') as f:
    f.write("""[Script Info]
Title: export test
ScriptType: v4.00

[V4 Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, TertiaryColour, BackColour, Bold, Italic, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, AlphaLevel, Encoding
Style: Default,Arial,20,16777215,255,0,0,0,0,1,2,0,2,10,10,10,0,1

[Events]
Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: Marked=0,0:00:00.50,0:00:02.00,Default,,0000,0000,0000,,First, with a comma
Dialogue: Marked=0,0:00:03.00,0:00:04.20,Default,,0000,0000,0000,,Второй
""")
PY

mkvmerge -q -o "$work/mkvmerge_audio.mkv" "$work/e.ac3" "$work/e.mp3" "$work/e.m4a" "$work/e.flac" "$work/e.ogg"
ff -i "$work/e.ac3" -i "$work/e.m4a" -i "$work/e.flac" -i "$work/e.ogg" -i "$work/script.ass" \
  -i "$work/cyrillic.srt" -map 0 -map 1 -map 2 -map 3 -map 4 -map 5 -c copy "$work/ffmpeg_audio_subs.mkv"
mkvmerge -q -o "$work/mkvmerge_subtitles.mkv" "$work/e.ogg" "$work/cyrillic.srt" "$work/script.ass" \
  "$work/big.srt" "$work/script.ssa"
has "$(info "$work/mkvmerge_subtitles.mkv")" 'Codec ID: S_TEXT/SSA' mkvmerge_subtitles.mkv

# ------------------------------------------------------------- tracks to add

x264default=(-c:v libx264 -pix_fmt yuv420p -g 12)
f=ffmpeg_import.mkv
ff "${film[@]}" -f lavfi -i sine=frequency=300:sample_rate=48000 -t 2 -map 0:v -map 1:a "${x264default[@]}" \
  -c:a ac3 -b:a 64k "$work/$f"
listing=$(info "$work/$f")
has "$listing" 'Codec ID: A_AC3' $f
grep -q 'Block group' <<<"$listing" && fail "$f: BlockGroups present"
bframes "$work/$f"

ff "${film[@]}" -t 2 "${x264default[@]}" "$work/h264_default.mp4"
f=mkvmerge_import.mkv
mkvmerge -q -o "$work/$f" "$work/h264_default.mp4" "$work/a.mp3"
has "$(info "$work/$f")" 'track number 2, [2-9][0-9]* frame(s)' $f
bframes "$work/$f"

f=mkvmerge_groups_500us.mkv
mkvmerge -q -o "$work/$f" --engage no_simpleblocks --timestamp-scale 500000 "$work/h264_default.mp4" \
  "$work/a.mp3" "$work/subs3.srt"
listing=$(info "$work/$f")
for what in '^| + Timestamp scale: 500000 ' 'Block duration' 'Reference block' 'Codec ID: S_TEXT/UTF8'; do
  has "$listing" "$what" $f
done
grep -q 'Simple block' <<<"$listing" && fail "$f: SimpleBlocks present"
bframes "$work/$f"

python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
text = open(f"{work}/cyrillic.srt", encoding='utf-8', newline='').read()
for name, data in [("lf.srt", text.replace('\r\n', '\n').encode('utf-8')),
                   ("bom.srt", '\ufeff'.encode('utf-8') + text.encode('utf-8')),
                   ("utf16.srt", '\ufeff'.encode('utf-16-le') + text.encode('utf-16-le')),
                   ("cp1251.srt", text.encode('cp1251'))]:
    with open(f"{work}/{name}", 'wb') as f:
        f.write(data)
try:
    text.encode('cp1251').decode('utf-8')
    sys.exit("cp1251.srt: valid UTF-8")
except UnicodeDecodeError:
    pass
PY
# ffmpeg reads each as the three events of cyrillic.srt (cp1251.srt when told its character set).
events=$(ffmpeg -nostdin -v error -i "$work/cyrillic.srt" -f srt -)
[ "$(grep -c -- ' --> ' <<<"$events")" -eq 3 ] || fail "cyrillic.srt: not three events"
for f in lf.srt bom.srt utf16.srt cp1251.srt; do
  charset=()
  [ $f = cp1251.srt ] && charset=(-sub_charenc CP1251)
  [ "$(ffmpeg -nostdin -v error "${charset[@]}" -i "$work/$f" -f srt -)" = "$events" ] ||
    fail "$f: not the events of cyrillic.srt"
done
grep -q $'\r' "$work/lf.srt" && fail "lf.srt: a CR"

tone=(-f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -ac 2)
noise44=(-f lavfi -i anoisesrc=sample_rate=44100:amplitude=0.2 -t 2 -ac 2)
lame=(-c:a libmp3lame -write_xing 0)
ff "${tone[@]}" "${lame[@]}" -b:a 96k -id3v2_version 0 "$work/mpeg1_cbr.mp3"
ff "${noise44[@]}" "${lame[@]}" -q:a 4 -id3v2_version 3 -write_id3v1 1 -metadata title=Quillon \
  "$work/mpeg1_vbr_id3.mp3"
ff -f lavfi -i sine=frequency=330:sample_rate=22050 -t 2 "${lame[@]}" -b:a 32k -write_id3v1 1 \
  -metadata title=Quillon "$work/mpeg2_22k_id3.mp3"
ff -f lavfi -i anoisesrc=sample_rate=24000:amplitude=0.2 -t 2 "${lame[@]}" -q:a 4 -id3v2_version 0 \
  "$work/mpeg2_24k_vbr.mp3"
ff -f lavfi -i sine=frequency=300:sample_rate=8000 -t 2 "${lame[@]}" -b:a 16k -id3v2_version 0 "$work/mpeg25_8k.mp3"
ff "${noise44[@]}" -c:a libmp3lame -q:a 4 "$work/mpeg1_xing.mp3"
ff -f lavfi -i sine=frequency=500:sample_rate=48000 -t 2 -c:a mp2 -b:a 128k -f mp2 "$work/layer2.mp3"
# mp3 FILE FACTS fails unless ffprobe's codec and sample rate, then the file's
# ID3v2 tag, ID3v1 tag, Xing/Info frame and VBR (more than three frame sizes)
# are FACTS, e.g. "mp3,44100 ID3v2 - - VBR".
mp3() {
  local f="$work/$1" got probe
  probe=$(ffprobe -v error -show_entries stream=codec_name,sample_rate:packet=size -of csv "$f")
  got=$(sed -n 's/^stream,//p' <<<"$probe")
  if [ "$(head -c 3 "$f")" = ID3 ]; then got+=" ID3v2"; else got+=" -"; fi
  if [ "$(tail -c 128 "$f" | head -c 3)" = TAG ]; then got+=" ID3v1"; else got+=" -"; fi
  if head -c 4000 "$f" | grep -qaE 'Xing|Info'; then got+=" Xing"; else got+=" -"; fi
  if [ "$(grep ^packet, <<<"$probe" | cut -d, -f2 | sort -u | wc -l)" -gt 3 ]; then
    got+=" VBR"
  else
    got+=" -"
  fi
  [ "$got" = "$2" ] || fail "$1: $got, not $2"
}
mp3 mpeg1_cbr.mp3 'mp3,44100 - - - -'
mp3 mpeg1_vbr_id3.mp3 'mp3,44100 ID3v2 ID3v1 - VBR'
mp3 mpeg2_22k_id3.mp3 'mp3,22050 ID3v2 ID3v1 - -'
mp3 mpeg2_24k_vbr.mp3 'mp3,24000 - - - VBR'
mp3 mpeg25_8k.mp3 'mp3,8000 - - - -'
mp3 mpeg1_xing.mp3 'mp3,44100 ID3v2 - Xing VBR'
mp3 layer2.mp3 'mp2,48000 - - - -'
[ "$(head -c 4 "$work/mpeg1_vbr_id3.mp3" | od -An -tu1 -j3)" -eq 3 ] || fail "mpeg1_vbr_id3.mp3: not ID3v2.3"

# ---------------------------------------------------------------- timelines

if grep -q libx265 <<<"$(ffmpeg -hide_banner -encoders 2>/dev/null)"; then
  f=ffmpeg_hevc.mkv
  ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=48000 -t 3 -map 0:v -map 1:a \
    -c:v libx265 -x265-params log-level=error -pix_fmt yuv420p -c:a ac3 -b:a 64k "$work/$f"
  has "$(info "$work/$f")" 'Codec ID: V_MPEGH/ISO/HEVC' $f
  bframes "$work/$f"
fi

f=mkvmerge_mpeg4_asp.mkv
ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=44100 -t 3 -map 0:v -map 1:a \
  -c:v mpeg4 -bf 2 -q:v 5 -c:a libmp3lame -b:a 64k "$work/asp.mp4"
mkvmerge -q -o "$work/$f" "$work/asp.mp4"
has "$(info "$work/$f")" 'discardable, track number 1' $f
bframes "$work/$f"

python3 - "$work" <<'PY'
import sys
with open(f"{sys.argv[1]}/seconds.srt", 'w', encoding='utf-8', newline='') as f:
    for k in range(6):
        f.write(f"{k + 1}\r\n00:00:0{k},500 --> 00:00:0{k},900\r\nSecond {k}\r\n\r\n")
PY
gop=(-c:v libx264 -bf 3 -pix_fmt yuv420p -g 25 -keyint_min 25 -sc_threshold 0)
ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=48000 -t 6 -map 0:v -map 1:a "${gop[@]}" \
  -c:a ac3 -b:a 96k "$work/gop.mkv"
mkvmerge -q -o "$work/mkvmerge_timeline.mkv" --cluster-length 1000ms "$work/gop.mkv" "$work/seconds.srt"
mkvmerge -q -o "$work/mkvmerge_timeline_groups.mkv" --cluster-length 1000ms --engage no_simpleblocks \
  "$work/gop.mkv" "$work/seconds.srt"
ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=44100 -i "$work/seconds.srt" -t 6 \
  -map 0:v -map 1:a -map 2:s "${gop[@]}" -c:a aac -b:a 48k -c:s srt -cluster_time_limit 1000 -write_crc32 0 \
  "$work/ffmpeg_timeline.mkv"
for f in mkvmerge_timeline.mkv mkvmerge_timeline_groups.mkv ffmpeg_timeline.mkv; do
  listing=$(info "$work/$f")
  has "$listing" 'Codec ID: S_TEXT/UTF8' $f
  [ "$(grep -c '^|+ Cluster' <<<"$listing")" -ge 6 ] || fail "$f: fewer than six Clusters"
  bframes "$work/$f"
done
has "$(info "$work/mkvmerge_timeline.mkv")" 'track number 2, [2-9] frame(s)' mkvmerge_timeline.mkv

# The damage: Cluster Timecodes and block timecodes patched at the positions
# mkvinfo gives, each copy checked for what the tests rely on.
python3 - "$work" <<'PY'
import os, re, subprocess, sys
work = sys.argv[1]

def fail(message):
    sys.exit(f"make_media.sh: {message}")

class Film:
    """A film's bytes and, per Cluster, its Timecode element and its blocks (times in ms)."""
    def __init__(self, name):
        self.name = name
        self.bytes = bytearray(open(f"{work}/{name}", 'rb').read())
        out = subprocess.run(["mkvinfo", "--ui-language", "en_US", "--all", "-P", "-z", f"{work}/{name}"],
                             capture_output=True, text=True, check=True,
                             env=dict(os.environ, LC_ALL="C.UTF-8")).stdout
        self.clusters = []  # [Timecode element, [blocks]]
        for line in out.splitlines():
            m = re.match(r'^[| ]*\+ (.*) at (\d+) size (\d+) data size (\d+)$', line)
            if not m:
                continue
            caption, at, size, data = m[1], int(m[2]), int(m[3]), int(m[4])
            element = dict(data_at=at + size - data, data=data)
            if caption.startswith('Cluster timestamp'):
                self.clusters.append([element, []])
            b = re.match(r'(Simple block|Block): (key, )?.*track number (\d+), \d+ frame\(s\), '
                         r'timestamp (-?)(\d+):(\d+):(\d+)\.(\d+)', caption)
            if b:
                ms = ((int(b[5]) * 60 + int(b[6])) * 60 + int(b[7])) * 1000 + int(b[8]) // 1000000
                element.update(simple=b[1] == 'Simple block', key=bool(b[2]), track=int(b[3]),
                               time=-ms if b[4] else ms)
                self.clusters[-1][1].append(element)

    def timecode(self, k):
        e = self.clusters[k][0]
        return int.from_bytes(self.bytes[e['data_at']:e['data_at'] + e['data']], 'big')

    def set_timecode(self, k, value):
        e = self.clusters[k][0]
        if not 0 <= value < 1 << (8 * e['data']):
            fail(f"{self.name}: {value} does not fit the Timecode of Cluster {k}")
        self.bytes[e['data_at']:e['data_at'] + e['data']] = value.to_bytes(e['data'], 'big')

    def save(self, name):
        open(f"{work}/{name}", 'wb').write(self.bytes)

# The middle Cluster 2000 lower: each of its blocks is then a fault of its
# track, earlier than every block of the Cluster before (which holds more
# video frames than a decoder reorders) and than an earlier block of its track.
for name in ("mkvmerge_timeline.mkv", "mkvmerge_timeline_groups.mkv", "ffmpeg_timeline.mkv"):
    film = Film(name)
    m = len(film.clusters) // 2
    film.set_timecode(m, film.timecode(m) - 2000)
    lowered = [dict(b, time=b['time'] - 2000) for b in film.clusters[m][1]]
    before = film.clusters[m - 1][1]
    if max(b['time'] for b in lowered) >= min(b['time'] for b in before):
        fail(f"{name}: the lowered Cluster reaches into the one before")
    if sum(1 for b in before if b['track'] == 1) < 16:
        fail(f"{name}: fewer than 16 video frames in the Cluster before the lowered one")
    for track in {b['track'] for b in lowered}:
        earlier = [b['time'] for c in film.clusters[:m] for b in c[1] if b['track'] == track]
        if not earlier or max(earlier) <= max(b['time'] for b in lowered if b['track'] == track):
            fail(f"{name}: track {track} has no earlier block later than its lowered ones")
    film.save(name.replace('.mkv', '_lowered.mkv'))

# The Timecodes of the two middle Clusters swapped: both span 1 s and hold
# whole GOPs that start with a key frame, so each block lands 1 s away, in the
# other Cluster's second.
film = Film("mkvmerge_timeline.mkv")
m = len(film.clusters) // 2
a, b, c = film.timecode(m - 1), film.timecode(m), film.timecode(m + 1)
if b - a != c - b:
    fail(f"mkvmerge_timeline.mkv: Clusters {m - 1} and {m} span different times")
for k, start, end in ((m - 1, a, b), (m, b, c)):
    blocks = film.clusters[k][1]
    if not all(start <= x['time'] < end for x in blocks):
        fail(f"mkvmerge_timeline.mkv: a block of Cluster {k} outside its second")
    if not next(x for x in blocks if x['track'] == 1)['key']:
        fail(f"mkvmerge_timeline.mkv: Cluster {k} does not start with a key frame")
film.set_timecode(m - 1, b)
film.set_timecode(m, a)
film.save("mkvmerge_timeline_swapped.mkv")

# Every non-key video frame of the middle Cluster (one GOP) moved 1 s before
# the film's start, all by the same amount: their order among themselves, and
# so what the key frames' times can restore, stays.
film = Film("mkvmerge_timeline.mkv")
m = len(film.clusters) // 2
video = [x for x in film.clusters[m][1] if x['track'] == 1]
if len(video) < 4 or not video[0]['key'] or any(x['key'] or not x['simple'] for x in video[1:]):
    fail("mkvmerge_timeline.mkv: the middle Cluster is not one key frame and non-key SimpleBlocks")
for x in video[1:]:
    at = x['data_at']
    if film.bytes[at] != 0x81:
        fail("mkvmerge_timeline.mkv: a track number of more than one byte")
    relative = int.from_bytes(film.bytes[at + 1:at + 3], 'big', signed=True)
    film.bytes[at + 1:at + 3] = ((relative - film.timecode(m) - 1000) & 0xFFFF).to_bytes(2, 'big')
film.save("mkvmerge_timeline_nonkey.mkv")

# One P-frame of the video, shown after the two B-frames decoded behind it:
# lowered 1 s (_pframe), or put halfway between those B-frames (_pframe_between),
# where a repair that spread it between its neighbours in decode order put it.
for name, shift in (("mkvmerge_timeline_pframe.mkv", None), ("mkvmerge_timeline_pframe_between.mkv", 20)):
    film = Film("mkvmerge_timeline.mkv")
    video = [x for c in film.clusters for x in c[1] if x['track'] == 1]
    middle = len(video) // 2
    k = next(i for i in range(middle, len(video) - 2)
             if not video[i]['key'] and video[i]['simple'] and video[i + 1]['time'] < video[i]['time']
             and video[i + 2]['time'] < video[i]['time'] and not video[i + 1]['key'])
    p = video[k]
    at = p['data_at']
    if film.bytes[at] != 0x81:
        fail("mkvmerge_timeline.mkv: a track number of more than one byte")
    relative = int.from_bytes(film.bytes[at + 1:at + 3], 'big', signed=True)
    new = relative - 1000 if shift is None else relative + (min(video[k + 1]['time'], video[k + 2]['time']) + shift - p['time'])
    film.bytes[at + 1:at + 3] = (new & 0xFFFF).to_bytes(2, 'big')
    film.save(name)
PY
[ "$(info "$work/mkvmerge_timeline_nonkey.mkv" | grep -c 'track number 1, 1 frame(s), timestamp -00:00:00')" \
  -ge 3 ] || fail "mkvmerge_timeline_nonkey.mkv: not a GOP of frames before 0"

# ---------------------------------------------------------------- WAV export

six='sin(220*2*PI*t)|sin(330*2*PI*t)|sin(440*2*PI*t)|0.3*sin(55*2*PI*t)|sin(550*2*PI*t)|sin(660*2*PI*t)'
ff -f lavfi -i "aevalsrc=$six:s=48000:d=2:c=5.1" -c:a pcm_s16le "$work/six.wav"
ff -f lavfi -i sine=frequency=500:sample_rate=44100 -t 2 -c:a pcm_s24le "$work/pcm24.wav"
ff "${film[@]}" -t 2 -i "$work/six.wav" -f lavfi -i sine=frequency=300:sample_rate=22050 -t 2 \
  -map 0:v -map 1:a -map 1:a -map 1:a -map 1:a -map 1:a -map 2:a -map 1:a "${x264[@]}" -g 12 \
  -c:a:0 ac3 -b:a:0 384k -c:a:1 pcm_s16be -c:a:2 pcm_s24le -c:a:3 pcm_f32le -c:a:4 pcm_u8 \
  -c:a:5 libmp3lame -b:a:5 32k -c:a:6 eac3 -shortest "$work/ffmpeg_wav.mkv"
bframes "$work/ffmpeg_wav.mkv"
ff -i "$work/six.wav" -c:a ac3 -b:a 384k "$work/six.ac3"
ff -i "$work/six.wav" -c:a aac -b:a 192k "$work/six.m4a"
mkvmerge -q -o "$work/mkvmerge_wav.mkv" "$work/pcm24.wav" "$work/six.ac3" "$work/six.m4a"
ff -f lavfi -i sine=frequency=700:sample_rate=48000 -t 1 -c:a ac3 -b:a 192k "$work/ffmpeg_ac3_damaged.mka"
fifth=$(ffprobe -v error -show_entries packet=pos -of csv=p=0 "$work/ffmpeg_ac3_damaged.mka" | sed -n 5p)
python3 - "$work/ffmpeg_ac3_damaged.mka" "$fifth" <<'PY'
import sys
path, at = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, 'rb').read())
# ffprobe gives where the block's own header starts: track number 1, timecode, flags.
if data[at] != 0x81:
    sys.exit("ffmpeg_ac3_damaged.mka: packet 5 is not a block of track 1")
frame = at + 4
if data[frame:frame + 2] != b'\x0b\x77':
    sys.exit("ffmpeg_ac3_damaged.mka: no AC-3 sync word where the fifth frame starts")
data[frame:frame + 2] = b'\0\0'
open(path, 'wb').write(data)
PY

# ---------------------------------------------------------------- AVI conversion

asp=(-c:v mpeg4 -vtag XVID -bf 2 -g 12 -q:v 4)
ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=48000 -t 3 "${asp[@]}" -c:a ac3 -b:a 128k "$work/xvid_ac3.avi"
ff "${film[@]}" -f lavfi -i sine=frequency=440:sample_rate=44100 -t 3 "${asp[@]}" -c:a aac -b:a 96k "$work/xvid_aac.avi"
bframes "$work/xvid_ac3.avi"
mkvmerge -q -o "$work/mkvmerge_xvid_ac3.mkv" "$work/xvid_ac3.avi"
mkvmerge -q -o "$work/mkvmerge_xvid_aac.mkv" "$work/xvid_aac.avi"
ff "${film[@]}" -f lavfi -i sine=frequency=330:sample_rate=44100 -t 3 -c:v msmpeg4v2 -g 12 -q:v 4 -c:a aac -b:a 96k \
  "$work/ffmpeg_mp42_aac.mkv"
for f in mkvmerge_xvid_ac3.mkv mkvmerge_xvid_aac.mkv ffmpeg_mp42_aac.mkv; do
  has "$(info "$work/$f")" "V_MS/VFW/FOURCC" "$f"
done

# ---------------------------------------------------------------- stream export

small=(-f lavfi -i testsrc=size=128x72:rate=25)
ff "${small[@]}" -t 2 -c:v libx264 -g 12 -pix_fmt yuv420p "$work/h264_default.mp4"
bframes "$work/h264_default.mp4"
ff "${small[@]}" -t 2 -c:v libx265 -pix_fmt yuv420p -x265-params log-level=error:keyint=10:repeat-headers=1:aud=1 \
  -f hevc "$work/inband.hevc"
ff -f lavfi -i testsrc=size=128x72:rate=30000/1001 -t 1.5 -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 150k \
  "$work/vp9.ivf"
ff -f lavfi -i testsrc=size=128x72:rate=24 -frames:v 14 -c:v libaom-av1 -cpu-used 8 -b:v 150k "$work/av1.ivf"
ff "${small[@]}" -t 2 -c:v mpeg2video -bf 2 -g 12 -q:v 5 "$work/mpeg2.m2v"
python3 - "$work/pictures.sup" <<'PY'
import struct, sys
# Three pictures, each shown and then cleared: composition, window, palette,
# object and end segments, times at 90 kHz.
def seg(pts, kind, data):
    return b'PG' + struct.pack('>IIBH', pts, 0, kind, len(data)) + data
def display(pts, number, shown):
    w, h = 64, 16
    pcs = struct.pack('>HHBHBBBB', 720, 480, 0x10, number, 0x80 if shown else 0, 0, 0, 1 if shown else 0)
    if shown:
        pcs += struct.pack('>HBBHH', 0, 0, 0, 100, 400)
    out = seg(pts, 0x16, pcs) + seg(pts, 0x17, struct.pack('>BBHHHH', 1, 0, 100, 400, w, h))
    if shown:
        rows = b''.join(bytes([0, 0x40 | (w >> 8), w & 0xFF, 1 + number % 2, 0, 0]) for _ in range(h))
        ods = struct.pack('>HBB', 0, 0, 0xC0) + (len(rows) + 4).to_bytes(3, 'big') + struct.pack('>HH', w, h) + rows
        out += seg(pts, 0x14, bytes([0, 0, 1, 235, 128, 128, 255, 2, 16, 128, 128, 255])) + seg(pts, 0x15, ods)
    return out + seg(pts, 0x80, b'')
sup = b''
for k, (start, end) in enumerate([(0.5, 1.5), (2.0, 3.25), (4.0, 5.0)]):
    sup += display(int(start * 90000), 2 * k, True) + display(int(end * 90000), 2 * k + 1, False)
open(sys.argv[1], 'wb').write(sup)
PY
printf 'WEBVTT - a film\n\nSTYLE\n::cue { color: yellow }\n\nNOTE before the cues\n\n1\n00:00:00.500 --> 00:00:01.800 align:start line:10%%\nHello <b>there</b>\n\nNOTE\na comment\nof two lines\n\nintro-2\n00:00:02.000 --> 00:00:03.250\nWorld\nline two\n\n00:00:04.000 --> 00:00:05.000 position:20%% size:50%%\nThe end\n' \
  > "$work/cues.vtt"

f=ffmpeg_streams.mkv
ff "${small[@]}" -f lavfi -i testsrc=size=128x72:rate=30000/1001 -f lavfi -i testsrc=size=128x72:rate=24 \
  -map 0:v -map 0:v -map 0:v -map 1:v -map 2:v -map 0:v -map 0:v -t 2 \
  -c:v:0 libx264 -g:v:0 12 -pix_fmt yuv420p -c:v:1 libx265 -x265-params log-level=error:keyint=10 \
  -c:v:2 libvpx -b:v:2 150k -c:v:3 libvpx-vp9 -deadline realtime -cpu-used:v:3 8 -b:v:3 150k \
  -c:v:4 libaom-av1 -cpu-used:v:4 8 -b:v:4 150k -frames:v:4 14 -c:v:5 mpeg2video -bf:v:5 2 -g:v:5 12 \
  -c:v:6 mpeg4 -bf:v:6 2 -g:v:6 12 -q:v:6 5 "$work/$f"
listing=$(info "$work/$f")
for what in V_MPEG4/ISO/AVC V_MPEGH/ISO/HEVC V_VP8 V_VP9 V_AV1 V_MPEG2 V_MPEG4/ISO/ASP; do
  has "$listing" "Codec ID: $what" $f
done
bframes "$work/$f"

f=mkvmerge_streams.mkv
mkvmerge -q -o "$work/$f" "$work/h264_default.mp4" "$work/inband.hevc" "$work/vp9.ivf" "$work/av1.ivf" \
  "$work/mpeg2.m2v" --compression 0:none "$work/pictures.sup" "$work/cues.vtt"
listing=$(info "$work/$f")
for what in V_MPEG4/ISO/AVC V_MPEGH/ISO/HEVC V_VP9 V_AV1 V_MPEG2 S_HDMV/PGS S_TEXT/WEBVTT 'Block additional'; do
  has "$listing" "$what" $f
done
grep -q 'Content compression' <<<"$listing" && fail "$f: a compressed track"

f=mkvmerge_compressed.mkv
mkvmerge -q -o "$work/$f" --compression 0:zlib "$work/h264_default.mp4" --compression 6:mpeg4_p2 -d 6 -A -S \
  "$work/ffmpeg_streams.mkv" "$work/pictures.sup" --compression 0:zlib "$work/cues.vtt" \
  --compression 0:zlib "$work/a.ac3"
listing=$(info "$work/$f")
[ "$(grep -c 'Content compression' <<<"$listing")" -eq 5 ] || fail "$f: not five compressed tracks"
has "$listing" 'Algorithm: 3 (header removal)' $f

# ---------------------------------------------------------------- in place

for f in ffmpeg_h264_aac_srt.mkv mkvmerge_h264_ac3_srt.mkv mkvmerge_h264_aac_srt.mkv mkvmerge_tags.mkv mkvmerge_groups.mkv \
  mkvmerge_mp3_ac3.mkv mkvmerge_vorbis.mkv mkvmerge_attach_chap.mkv ffmpeg_vp9_opus.mkv ffmpeg_pipe.mkv \
  ffmpeg_live.mkv mkvmerge_audio.mkv ffmpeg_audio_subs.mkv mkvmerge_subtitles.mkv \
  cyrillic.srt big.srt script.ass script.ssa ffmpeg_import.mkv mkvmerge_import.mkv mkvmerge_groups_500us.mkv \
  lf.srt bom.srt utf16.srt cp1251.srt mpeg1_cbr.mp3 mpeg1_vbr_id3.mp3 mpeg2_22k_id3.mp3 mpeg2_24k_vbr.mp3 \
  mpeg25_8k.mp3 mpeg1_xing.mp3 layer2.mp3 mkvmerge_mpeg4_asp.mkv mkvmerge_timeline.mkv mkvmerge_timeline_groups.mkv \
  ffmpeg_timeline.mkv mkvmerge_timeline_lowered.mkv mkvmerge_timeline_groups_lowered.mkv ffmpeg_timeline_lowered.mkv \
  mkvmerge_timeline_swapped.mkv mkvmerge_timeline_nonkey.mkv mkvmerge_timeline_pframe.mkv \
  mkvmerge_timeline_pframe_between.mkv ffmpeg_wav.mkv mkvmerge_wav.mkv ffmpeg_ac3_damaged.mka \
  mkvmerge_xvid_ac3.mkv mkvmerge_xvid_aac.mkv ffmpeg_mp42_aac.mkv ffmpeg_vp9_opus.webm mkvmerge_vp9_opus.webm ffmpeg_opus16k.mka mkvpropedit_appended.mkv \
  ffmpeg_streams.mkv mkvmerge_streams.mkv mkvmerge_compressed.mkv pictures.sup cues.vtt; do
  mv "$work/$f" "$dir/$f"
done
if [ -f "$work/ffmpeg_hevc.mkv" ]; then mv "$work/ffmpeg_hevc.mkv" "$dir/ffmpeg_hevc.mkv"; fi
touch "$stamp"
