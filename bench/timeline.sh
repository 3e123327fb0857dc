#!/usr/bin/env bash
# The timeline check and the reorder repair on a big file, in one run, warm cache:
#
#   quillon-cli check FILE                    (baseline: the full open)
#   quillon-cli timeline FILE                 (the full open, the model and the check)
#   quillon-cli timeline BROKEN               (the same with half of every track's blocks at fault; for reference)
#   quillon-cli remux FILE -o OUT             (baseline: a plain remux)
#   quillon-cli remux BROKEN -o OUT --repair N=reorder for every track
#                                             (the check, the sort, the merge back and the remux)
#
# BROKEN is a copy of FILE made in $TMPDIR: every Cluster from the one in the
# middle of the Segment on has its Timecode lowered by that Cluster's Timecode
# (in its own width; a Cluster's CRC-32 recomputed), so the second half of the
# film restarts at 0 and every one of its blocks is earlier than the first
# half's: reordering interleaves the two halves, block by block for audio and
# subtitles, key-frame interval by key-frame interval for video. After the runs
# the script shows what the check says of BROKEN and of the repaired output:
# audio and subtitles come out in order; the video does not, since once the
# halves are interleaved, key-frame intervals of one half overlap in time those
# of the other (a sort cannot undo that damage: it is a load, not a repair).
#
# Wall time from hyperfine (mean of RUNS runs after a warm-up run; the output
# deleted and the disk synced before each run, outside the timing), peak memory
# from /usr/bin/time -v. Exit status 1 counts as success for every command
# (timeline BROKEN finds faults).
#
# Targets: timeline FILE ≤ 1.1 × check FILE (the check adds at most 10 % to a full open);
#          remux BROKEN with every track reordered ≤ 1.5 × the plain remux of FILE.
# A benchmark, not a test: the exit status does not depend on the targets.
#
# Usage: bench/timeline.sh [FILE]  (default: bench/data/ffmpeg_film.mkv)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 5),
#              TMPDIR (room for three copies of FILE: BROKEN and the two outputs).
set -euo pipefail
source "$(dirname "$0")/measure.sh"

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-5}"
file="${1:-$here/data/ffmpeg_film.mkv}"

[[ -f "$file" ]] || { echo "no file $file (make it with bench/make_ffmpeg_film.sh)" >&2; exit 2; }
require_cli "$cli"
require_tools hyperfine mkvmerge jq python3

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-timeline.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
broken="$tmp/broken.mkv"

echo "# $file ($(stat -c %s "$file") bytes)"
echo "making $broken ..."
cp "$file" "$broken"
python3 - "$broken" <<'PY'
import struct, sys, zlib

path = sys.argv[1]
f = open(path, 'r+b')
size = f.seek(0, 2)

def read_id(at):
    f.seek(at)
    first = f.read(1)[0]
    length = 1
    while length <= 4 and not first & (0x80 >> (length - 1)):
        length += 1
    return int.from_bytes(bytes([first]) + f.read(length - 1), 'big'), length

def read_size(at):
    f.seek(at)
    first = f.read(1)[0]
    length = 1
    while length <= 8 and not first & (0x80 >> (length - 1)):
        length += 1
    value = first & (0xFF >> length)
    for b in f.read(length - 1):
        value = value << 8 | b
    return (None if value == (1 << 7 * length) - 1 else value), length

def header(at):
    ident, idlen = read_id(at)
    value, sizelen = read_size(at + idlen)
    return ident, at + idlen + sizelen, value

# The Segment, then its Clusters: each one's data, end, CRC-32 and Timecode.
at = 0
ident, data, value = header(at)
if ident != 0x1A45DFA3:
    sys.exit("not an EBML file")
at = data + value
ident, segment, value = header(at)
if ident != 0x18538067:
    sys.exit("no Segment after the EBML header")
end = size if value is None else min(size, segment + value)
clusters = []
at = segment
while at < end:
    ident, data, value = header(at)
    if value is None:
        sys.exit(f"an element of unknown size at {at}: not supported here")
    if ident == 0x1F43B675:
        cluster = dict(data=data, end=data + value, crc=None, timecode=None)
        child = data
        while child < cluster['end'] and cluster['timecode'] is None:
            cid, cdata, cvalue = header(child)
            if cid == 0xBF and child == data:
                cluster['crc'] = cdata
            elif cid == 0xE7:
                f.seek(cdata)
                cluster['timecode'] = (cdata, cvalue, int.from_bytes(f.read(cvalue), 'big'))
            child = cdata + cvalue
        if cluster['timecode'] is None:
            sys.exit(f"a Cluster without a Timecode at {at}")
        clusters.append(cluster)
    at = data + value
if len(clusters) < 3:
    sys.exit("fewer than three Clusters")

middle = len(clusters) // 2
half = clusters[middle]['timecode'][2]
for cluster in clusters[middle:]:
    where, width, t = cluster['timecode']
    f.seek(where)
    f.write((t - half).to_bytes(width, 'big'))
    if cluster['crc'] is not None:
        crc_end = cluster['crc'] + 4
        f.seek(crc_end)
        crc = 0
        left = cluster['end'] - crc_end
        while left > 0:
            chunk = f.read(min(left, 1 << 22))
            crc = zlib.crc32(chunk, crc)
            left -= len(chunk)
        f.seek(cluster['crc'])
        f.write(struct.pack('<I', crc))
print(f"{len(clusters)} Clusters; from Cluster {middle} on ({len(clusters) - middle}) the Timecodes are lowered by {half}")
PY

# Every track of the file, reordered.
repairs=""
for number in $(mkvmerge -J "$file" | jq -r '.tracks[].properties.number'); do
    repairs+=" --repair $number=reorder"
done

q="$(printf %q "$cli")"
t="$(printf %q "$tmp")"
f="$(printf %q "$file")"
b="$(printf %q "$broken")"
benches=(
    "check FILE|$q check $f|"
    "timeline FILE|$q timeline $f|"
    "timeline BROKEN|$q timeline $b|"
    "remux FILE|$q remux $f -o $t/plain.mkv --overwrite|$tmp/plain.mkv"
    "remux BROKEN reorder|$q remux $b -o $t/repaired.mkv --overwrite$repairs|$tmp/repaired.mkv"
)
declare -A mean sd rss
echo "warming the cache ..."
cat "$file" "$broken" > /dev/null
n=0
for entry in "${benches[@]}"; do
    IFS='|' read -r label cmd output <<< "$entry"
    n=$((n + 1))
    echo "[$n/${#benches[@]}] $label: $cmd"
    measure "$n" "$label" "$cmd" "$output"
done

# What the check says of BROKEN and of the repaired output (the last run's).
broken_says="$("$cli" --lang eng timeline "$broken" 2>/dev/null | grep -A9 '^  TimeLine' | tr '\n' ' ' || true)"
repaired_says="-"
if [[ -f "$tmp/repaired.mkv" ]]; then
    repaired_says="$("$cli" --lang eng timeline "$tmp/repaired.mkv" 2>/dev/null | grep -A9 '^  TimeLine' | tr '\n' ' ' || true)"
fi
rm -f "$tmp"/plain.mkv "$tmp"/repaired.mkv

echo
echo "| command              | wall s (mean ± sd)  | /check FILE | /remux FILE | peak MiB  |"
echo "|----------------------|---------------------|-------------|-------------|-----------|"
for label in "check FILE" "timeline FILE" "timeline BROKEN" "remux FILE" "remux BROKEN reorder"; do
    awk -v l="$label" -v m="${mean[$label]}" -v s="${sd[$label]}" -v c="${mean[check FILE]}" \
        -v r="${mean[remux FILE]}" -v k="${rss[$label]}" \
        'BEGIN { printf "| %-20s | %9.3f ± %-7.3f | %10.2f× | %10.2f× | %9.1f |\n", l, m, s, m / c, m / r, k / 1024 }'
done
echo
echo "- the check on BROKEN: $broken_says"
echo "- the check on the repaired output: $repaired_says"
awk -v tt="${mean[timeline FILE]}" -v tc="${mean[check FILE]}" -v tr="${mean[remux FILE]}" \
    -v tx="${mean[remux BROKEN reorder]}" '
function verdict(ok) { return ok ? "PASS" : "FAIL" }
BEGIN {
    printf "- timeline %.3f s = %.2f× check of FILE (target ≤ 1.1×): %s\n", tt, tt / tc, verdict(tt <= 1.1 * tc)
    printf "- remux with every track reordered %.3f s = %.2f× the plain remux of FILE (target ≤ 1.5×): %s\n",
        tx, tx / tr, verdict(tx <= 1.5 * tr)
}'
