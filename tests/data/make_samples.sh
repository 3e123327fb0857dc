#!/usr/bin/env bash
# Makes the small sample files kept in this folder. They are committed, so
# this only needs running again to change them. Needs ffmpeg and mkvmerge.
#   sample.mkv         mkvmerge: H.264 + AC-3 (laced) + SRT (Cyrillic) + chapters + an attachment
#   ffmpeg_sample.mkv  ffmpeg: VP9 + Opus + ASS subtitles, with Colour and CodecDelay
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
  -t 2 -c:v libx264 -preset ultrafast -g 12 -bf 2 -c:a ac3 -b:a 96k -shortest "$work/av.mkv"

printf '1\r\n00:00:00,200 --> 00:00:00,900\r\nПривет, мир!\r\n\r\n2\r\n00:00:01,000 --> 00:00:01,800\r\nВторая строка\r\n' > "$work/subs.srt"
cat > "$work/chapters.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Chapters><EditionEntry>
<ChapterAtom><ChapterTimeStart>00:00:00.000</ChapterTimeStart><ChapterDisplay><ChapterString>Начало</ChapterString><ChapterLanguage>rus</ChapterLanguage></ChapterDisplay></ChapterAtom>
<ChapterAtom><ChapterTimeStart>00:00:01.000</ChapterTimeStart><ChapterDisplay><ChapterString>Second</ChapterString><ChapterLanguage>eng</ChapterLanguage></ChapterDisplay></ChapterAtom>
</EditionEntry></Chapters>
XML
printf 'Quillon sample attachment\n' > "$work/readme.txt"

mkvmerge -q -o sample.mkv --title "Quillon sample" \
  --language 0:eng --track-name 0:"Test picture" --language 1:rus --track-name 1:"Звук" "$work/av.mkv" \
  --language 0:rus --sub-charset 0:UTF-8 --track-name 0:"Русские субтитры" "$work/subs.srt" \
  --chapters "$work/chapters.xml" \
  --attachment-mime-type text/plain --attachment-name readme.txt --attach-file "$work/readme.txt"

cat > "$work/subs.ass" <<'ASS'
[Script Info]
ScriptType: v4.00+

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:00.20,0:00:00.90,Default,,0,0,0,,First line
Dialogue: 0,0:00:01.00,0:00:01.80,Default,,0,0,0,,Вторая строка
ASS
ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=330:sample_rate=48000 \
  -i "$work/subs.ass" -t 2 -map 0:v -map 1:a -map 2:s \
  -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 100k -color_primaries bt709 -color_trc bt709 -colorspace bt709 \
  -c:a libopus -b:a 48k -c:s ass -shortest ffmpeg_sample.mkv
ls -l sample.mkv ffmpeg_sample.mkv
