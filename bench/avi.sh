#!/usr/bin/env bash
# Converting a VFW-mode Matroska film to AVI, against ffmpeg doing the same,
# in one run, warm cache:
#
#   quillon-cli export FILM --as avi --tracks 1,2     (measured)
#   ffmpeg -i FILM -map 0 -c copy OUT.avi             (a peer doing the same)
#   quillon-cli check FILM                            (memory baseline: the scan every save starts with)
#
# Wall time from hyperfine (mean of RUNS runs after a warm-up run; the output
# deleted and the disk synced before each run, outside the timing), peak memory
# from /usr/bin/time -v.
#
# Targets: the conversion no slower than ffmpeg (≤ 1.0×), in the memory of the
# scan plus its chunk list (≤ 1.5× check FILM).
# A benchmark, not a test: the exit status does not depend on the targets.
#
# Usage: bench/avi.sh [FILM]  (default: bench/data/vfw_film.mkv, made by bench/make_vfw_film.sh)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 3), TMPDIR.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-3}"
film="${1:-$here/data/vfw_film.mkv}"

[[ -f "$film" ]] || { echo "no file $film (make it with bench/make_vfw_film.sh)" >&2; exit 2; }
require_cli "$cli"
require_tools hyperfine ffmpeg jq

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-avi.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
q="$(printf %q "$cli")"
t="$(printf %q "$tmp")"
f="$(printf %q "$film")"

benches=(
    "ours|$q export $f --as avi --tracks 1,2 -o $t/ours.avi --overwrite|$tmp/ours.avi"
    "ffmpeg|ffmpeg -nostdin -v error -y -i $f -map 0 -c copy $t/ffmpeg.avi|$tmp/ffmpeg.avi"
    "check|$q check $f|"
)
declare -A mean sd rss
echo "# $film ($(stat -c %s "$film") bytes)"
echo "warming the cache ..."
cat "$film" > /dev/null
n=0
for entry in "${benches[@]}"; do
    IFS='|' read -r label cmd output <<< "$entry"
    n=$((n + 1))
    echo "[$n/${#benches[@]}] $label: $cmd"
    measure "$n" "$label" "$cmd" "$output"
    rm -f "$tmp"/*.avi
done

echo
echo "| command | wall s (mean ± sd)  | /ffmpeg  | peak MiB  | /check   |"
echo "|---------|---------------------|----------|-----------|----------|"
for label in ours ffmpeg check; do
    awk -v l="$label" -v m="${mean[$label]}" -v s="${sd[$label]}" -v r="${mean[ffmpeg]}" -v k="${rss[$label]}" \
        -v c="${rss[check]}" 'BEGIN { printf "| %-7s | %9.3f ± %-7.3f | %7.2f× | %9.1f | %7.2f× |\n", l, m, s, m / r, k / 1024, k / c }'
done
echo
awk -v to="${mean[ours]}" -v tf="${mean[ffmpeg]}" -v ro="${rss[ours]}" -v rc="${rss[check]}" -v rf="${rss[ffmpeg]}" 'BEGIN {
    printf "- AVI conversion %.3f s = %.2f× ffmpeg -c copy (target ≤ 1.0×): %s\n", to, to / tf, to <= tf ? "PASS" : "FAIL"
    printf "- peak %.1f MiB = %.2f× check (target ≤ 1.5×): %s; %.2f× ffmpeg\n", ro / 1024, ro / rc, ro <= 1.5 * rc ? "PASS" : "FAIL", ro / rf }'
