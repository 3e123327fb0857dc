#!/usr/bin/env bash
# Scan benchmark: quillon-cli against mkvinfo and ffprobe on one file, in one
# run, warm cache. Wall time from hyperfine (mean of a few runs after a warm-up
# run), peak memory from /usr/bin/time -v (maximum resident set size).
#
#   full scan:   quillon-cli check FILE       vs  mkvinfo --all, mkvinfo -v,
#                                                 ffprobe -show_packets
#   header read: quillon-cli info FILE        vs  mkvinfo FILE
#   scale:       cat FILE > /dev/null
#
# Usage: bench/scan.sh [FILE]                 (default: bench/data/big.mkv)
# Environment: QUILLON_CLI (default build-bench/quillon-cli),
#              RUNS_SLOW (default 3), RUNS_FAST (default 10).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
file="${1:-$here/data/big.mkv}"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs_slow="${RUNS_SLOW:-3}"
runs_fast="${RUNS_FAST:-10}"

[[ -f "$file" ]] || { echo "no file $file (make it with bench/make_big_file.sh)" >&2; exit 2; }
[[ -x "$cli" ]] || {
    echo "no $cli; build it with:" >&2
    echo "  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF && ninja -C build-bench quillon-cli" >&2
    exit 2
}
for tool in hyperfine mkvinfo ffprobe jq; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (package time)" >&2; exit 2; }

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-scan.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

f="$(printf %q "$file")"
q="$(printf %q "$cli")"

# label | command | runs
benches=(
    "cat|cat $f|$runs_fast"
    "quillon-cli check|$q check $f|$runs_slow"
    "quillon-cli check --quick|$q check $f --quick|$runs_fast"
    "mkvinfo --all|mkvinfo --all $f|$runs_slow"
    "mkvinfo -v|mkvinfo -v $f|$runs_slow"
    "ffprobe -show_packets|ffprobe -v error -show_packets $f|$runs_slow"
    "quillon-cli info|$q info $f|$runs_fast"
    "mkvinfo (header)|mkvinfo $f|$runs_fast"
)

declare -A mean sd rss
echo "file: $file ($(stat -c %s "$file") bytes)"
echo "warming the cache ..."
cat "$file" > /dev/null

n=0
for entry in "${benches[@]}"; do
    IFS='|' read -r label cmd runs <<< "$entry"
    n=$((n + 1))
    echo "[$n/${#benches[@]}] $label: $cmd"
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$tmp/$n.json" \
        "$cmd > /dev/null 2>&1" > "$tmp/$n.log" 2>&1 || { cat "$tmp/$n.log" >&2; exit 1; }
    mean[$label]="$(jq -r '.results[0].mean' "$tmp/$n.json")"
    sd[$label]="$(jq -r '.results[0].stddev // 0' "$tmp/$n.json")"
    /usr/bin/time -v -o "$tmp/$n.time" bash -c "$cmd > /dev/null 2>&1" || true
    rss[$label]="$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$tmp/$n.time")"  # kB
done

echo "counting elements (lines of quillon-cli tree) ..."
elements="$("$cli" tree "$file" 2>/dev/null | wc -l)"
blocks="$("$cli" tree "$file" 2>/dev/null | grep -cE '^[[:space:]]*(SimpleBlock|Block|EncryptedBlock)\b' || true)"

row() {  # label reference-label
    local label="$1" ref="$2"
    awk -v l="$label" -v m="${mean[$label]}" -v s="${sd[$label]}" -v r="${mean[$ref]}" -v k="${rss[$label]}" \
        'BEGIN { printf "| %-27s | %8.3f ± %-6.3f | %7.2f× | %9.1f |\n", l, m, s, m / r, k / 1024 }'
}

echo
echo "## Full scan (ratio: time / time of quillon-cli check)"
echo
echo "| command                     | wall s (mean ± sd)  | ratio    | peak MiB  |"
echo "|-----------------------------|---------------------|----------|-----------|"
for label in "quillon-cli check" "quillon-cli check --quick" "mkvinfo --all" "mkvinfo -v" "ffprobe -show_packets" "cat"; do
    row "$label" "quillon-cli check"
done
echo
echo "## Header read (ratio: time / time of quillon-cli info)"
echo
echo "| command                     | wall s (mean ± sd)  | ratio    | peak MiB  |"
echo "|-----------------------------|---------------------|----------|-----------|"
for label in "quillon-cli info" "mkvinfo (header)"; do
    row "$label" "quillon-cli info"
done

# Memory per element: the full scan's peak RSS over the element count, and the
# same above the header read's peak RSS (same binary, nearly empty list), which
# stands for the fixed part (binary, libraries, read cache).
echo
awk -v e="$elements" -v b="$blocks" -v full="${rss[quillon-cli check]}" -v base="${rss[quillon-cli info]}" \
    -v tq="${mean[quillon-cli check]}" -v tm="${mean[mkvinfo --all]}" -v tf="${mean[ffprobe -show_packets]}" '
BEGIN {
    perAll = full * 1024 / e; perAbove = (full - base) * 1024 / e
    printf "elements: %d (blocks: %d)\n", e, b
    printf "full scan peak memory: %.1f MiB = %.0f bytes/element; %.0f bytes/element above the %.1f MiB of the header read\n",
        full / 1024, perAll, perAbove, base / 1024
    printf "\n## Targets\n\n"
    printf "- full scan vs mkvinfo --all: %.2f× faster (target ≥ 5×): %s\n", tm / tq, (tm / tq >= 5) ? "met" : "MISSED"
    printf "- full scan vs ffprobe -show_packets: %.2f× faster (target ≥ 2×): %s\n", tf / tq, (tf / tq >= 2) ? "met" : "MISSED"
    printf "- full scan memory: %.0f bytes/element above a fixed %.1f MiB (target < 150): %s\n",
        perAbove, base / 1024, (perAbove < 150) ? "met" : "MISSED"
}'
