#!/usr/bin/env bash
# Makes the media of the export interop tests in the folder given as $1 (a
# build-tree folder). Files already made are kept: the work runs once per
# build tree, under a lock so that test processes running side by side wait
# for one another. Needs ffmpeg, mkvmerge and python3.
#   audio.mkv   mkvmerge, audio only (a sample-exact timestamp scale): AC-3 (laced),
#               MP3, AAC, FLAC and Vorbis (laced), tracks 1 to 5
#   ffmpeg.mkv  ffmpeg: AC-3, AAC, FLAC, Vorbis, ASS and SRT, tracks 1 to 6, no lacing
#   subs.mkv    mkvmerge: Vorbis, an SRT with Cyrillic text (cyrillic.srt), an ASS
#               script with LF line ends (script.ass), an SRT whose second line is
#               2.5 MB long (big.srt: a block bigger than the read-ahead cache) and an
#               SSA script (script.ssa, S_TEXT/SSA), tracks 1 to 5
#   The subtitle files fed to mkvmerge are kept beside them.
set -euo pipefail
dir=${1:?usage: make_export_media.sh DIR}
mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9
stamp="$dir/.made-v2"
[ -f "$stamp" ] && exit 0

work=$(mktemp -d "$dir/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -v error -y "$@"; }

ff -f lavfi -i sine=frequency=440:sample_rate=48000 -t 6 -ac 2 -c:a ac3 -b:a 128k "$work/a.ac3"
ff -f lavfi -i sine=frequency=500:sample_rate=44100 -t 6 -c:a libmp3lame -b:a 96k "$work/a.mp3"
ff -f lavfi -i sine=frequency=600:sample_rate=44100 -t 6 -ac 2 -c:a aac -b:a 96k "$work/a.m4a"
ff -f lavfi -i anoisesrc=sample_rate=44100:amplitude=0.3 -t 6 -ac 2 -c:a flac "$work/a.flac"
ff -f lavfi -i sine=frequency=700:sample_rate=44100 -t 9.5 -ac 2 -c:a libvorbis -q:a 3 "$work/a.ogg"

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

mkvmerge -q -o "$work/audio.mkv" "$work/a.ac3" "$work/a.mp3" "$work/a.m4a" "$work/a.flac" "$work/a.ogg"
ff -i "$work/a.ac3" -i "$work/a.m4a" -i "$work/a.flac" -i "$work/a.ogg" -i "$work/script.ass" -i "$work/cyrillic.srt" \
  -map 0 -map 1 -map 2 -map 3 -map 4 -map 5 -c copy "$work/ffmpeg.mkv"
mkvmerge -q -o "$work/subs.mkv" "$work/a.ogg" "$work/cyrillic.srt" "$work/script.ass" "$work/big.srt" "$work/script.ssa"

for f in audio.mkv ffmpeg.mkv subs.mkv cyrillic.srt big.srt script.ass script.ssa; do mv "$work/$f" "$dir/$f"; done
touch "$stamp"
