#!/usr/bin/env bash
# Export benchmark: the AC-3 track of one file written as a raw .ac3 stream by
# quillon-cli export, mkvextract tracks and ffmpeg -c copy, in one run, warm
# cache. Wall time from hyperfine (mean of a few runs after a warm-up run;
# a sync before each run, so that no run pays for writing back the last one's output),
# peak memory from /usr/bin/time -v (maximum resident set size). The three
# outputs are compared byte for byte first.
#
#   export:  quillon-cli export FILE --track N --as ac3   vs  mkvextract FILE tracks ID:OUT,
#                                                             ffmpeg -i FILE -map 0:a:0 -c copy -f ac3 OUT
#   for reference: quillon-cli check FILE (the full scan an export starts with),
#                  cat FILE > /dev/null
#
# Usage: bench/export.sh [FILE]               (default: bench/data/big.mkv)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 5),
#              TMPDIR (where the outputs go; they are removed at the end).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
file="${1:-$here/data/big.mkv}"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-5}"

[[ -f "$file" ]] || { echo "no file $file (make it with bench/make_big_file.sh)" >&2; exit 2; }
[[ -x "$cli" ]] || {
    echo "no $cli; build it with:" >&2
    echo "  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF && ninja -C build-bench quillon-cli" >&2
    exit 2
}
for tool in hyperfine mkvextract mkvmerge ffmpeg jq cmp; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (package time)" >&2; exit 2; }

# The first AC-3 track: its number (ours) and its track ID (mkvextract's).
read -r tid number < <(mkvmerge -J "$file" |
    jq -r '[.tracks[] | select(.properties.codec_id == "A_AC3")][0] | "\(.id) \(.properties.number)"')
[[ "$tid" != "null" ]] || { echo "$file has no AC-3 track" >&2; exit 2; }

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-export.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

f="$(printf %q "$file")"
q="$(printf %q "$cli")"
t="$(printf %q "$tmp")"

# label | command
benches=(
    "quillon-cli export|$q export $f --track $number --as ac3 -o $t/quillon.ac3 --overwrite"
    "mkvextract tracks|mkvextract $f tracks $tid:$t/mkvextract.ac3"
    "ffmpeg -c copy|ffmpeg -nostdin -v error -y -i $f -map 0:a:0 -c copy -f ac3 $t/ffmpeg.ac3"
    "quillon-cli check|$q check $f"
    "cat|cat $f"
)

declare -A mean sd rss
echo "file: $file ($(stat -c %s "$file") bytes), AC-3 track $number (mkvextract ID $tid)"
echo "warming the cache ..."
cat "$file" > /dev/null

n=0
for entry in "${benches[@]}"; do
    IFS='|' read -r label cmd <<< "$entry"
    n=$((n + 1))
    echo "[$n/${#benches[@]}] $label: $cmd"
    hyperfine --style none --warmup 1 --runs "$runs" --prepare sync --export-json "$tmp/$n.json" \
        "$cmd > /dev/null 2>&1" > "$tmp/$n.log" 2>&1 || { cat "$tmp/$n.log" >&2; exit 1; }
    mean[$label]="$(jq -r '.results[0].mean' "$tmp/$n.json")"
    sd[$label]="$(jq -r '.results[0].stddev // 0' "$tmp/$n.json")"
    sync
    /usr/bin/time -v -o "$tmp/$n.time" bash -c "$cmd > /dev/null 2>&1" || true
    rss[$label]="$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$tmp/$n.time")"  # kB
done

echo
if cmp -s "$tmp/quillon.ac3" "$tmp/mkvextract.ac3"; then same_m="identical"; else same_m="DIFFERENT"; fi
if cmp -s "$tmp/quillon.ac3" "$tmp/ffmpeg.ac3"; then same_f="identical"; else same_f="DIFFERENT"; fi
echo "output: $(stat -c %s "$tmp/quillon.ac3") bytes; to mkvextract's: $same_m; to ffmpeg's: $same_f"

row() {  # label reference-label
    local label="$1" ref="$2"
    awk -v l="$label" -v m="${mean[$label]}" -v s="${sd[$label]}" -v r="${mean[$ref]}" -v k="${rss[$label]}" \
        'BEGIN { printf "| %-20s | %8.3f ± %-6.3f | %7.2f× | %9.1f |\n", l, m, s, m / r, k / 1024 }'
}

echo
echo "## AC-3 export (ratio: time / time of quillon-cli export)"
echo
echo "| command              | wall s (mean ± sd)  | ratio    | peak MiB  |"
echo "|----------------------|---------------------|----------|-----------|"
for label in "quillon-cli export" "mkvextract tracks" "ffmpeg -c copy" "quillon-cli check" "cat"; do
    row "$label" "quillon-cli export"
done

awk -v q="${mean[quillon-cli export]}" -v m="${mean[mkvextract tracks]}" -v same="$same_m" '
BEGIN {
    printf "\n## Target\n\n"
    printf "- export vs mkvextract tracks: %.2f× its speed (target ≥ 1, not slower): %s; output %s\n",
        m / q, (m / q >= 1) ? "met" : "MISSED", same
}'
