#!/usr/bin/env bash
# Importing every track of a big file into a small one, in one run, warm cache:
#
#   quillon-cli remux SMALL --import BIG -o OUT   (measured)
#   quillon-cli remux BIG -o OUT                  (time baseline: a plain remux of the big file)
#   quillon-cli check BIG                         (memory baseline: the full scan of the big file)
#   mkvmerge -o OUT SMALL BIG                     (a peer doing the same: both files' tracks in one)
#
# Wall time from hyperfine (mean of RUNS runs after a warm-up run; the output
# deleted and the disk synced before each run, outside the timing), peak memory
# from /usr/bin/time -v. Exit status 1 counts as success for every command.
#
# Targets: import time ≤ 1.2 × the plain remux of BIG; import peak memory ≤ 1.25 × check of BIG.
# A benchmark, not a test: the exit status does not depend on the targets.
#
# Usage: bench/import.sh [BIG [SMALL]]  (default: bench/data/ffmpeg_film.mkv tests/data/sample.mkv)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 5), TMPDIR.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-5}"
big="${1:-$here/data/ffmpeg_film.mkv}"
small="${2:-$root/tests/data/sample.mkv}"

[[ -f "$big" ]] || { echo "no file $big (make it with bench/make_ffmpeg_film.sh)" >&2; exit 2; }
[[ -f "$small" ]] || { echo "no file $small" >&2; exit 2; }
require_cli "$cli"
require_tools hyperfine mkvmerge jq

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-import.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
q="$(printf %q "$cli")"
t="$(printf %q "$tmp")"
b="$(printf %q "$big")"
s="$(printf %q "$small")"

benches=(
    "import all of BIG|$q remux $s --import $b -o $t/import.mkv --overwrite|$tmp/import.mkv"
    "remux BIG|$q remux $b -o $t/remux.mkv --overwrite|$tmp/remux.mkv"
    "check BIG|$q check $b|"
    "mkvmerge SMALL BIG|mkvmerge -q -o $t/mkvmerge.mkv $s $b|$tmp/mkvmerge.mkv"
)
declare -A mean sd rss size
echo "# $big ($(stat -c %s "$big") bytes) into $small ($(stat -c %s "$small") bytes)"
echo "warming the cache ..."
cat "$big" "$small" > /dev/null
n=0
for entry in "${benches[@]}"; do
    IFS='|' read -r label cmd output <<< "$entry"
    n=$((n + 1))
    echo "[$n/${#benches[@]}] $label: $cmd"
    measure "$n" "$label" "$cmd" "$output"
    size[$label]=""
    if [[ -n "$output" ]]; then size[$label]="$( [[ -f "$output" ]] && stat -c %s "$output" || echo -)"; fi
    rm -f "$tmp"/*.mkv
done

echo
echo "| command              | wall s (mean ± sd)  | /remux BIG | peak MiB  | /check BIG | output bytes  |"
echo "|----------------------|---------------------|------------|-----------|------------|---------------|"
for label in "import all of BIG" "remux BIG" "check BIG" "mkvmerge SMALL BIG"; do
    awk -v l="$label" -v m="${mean[$label]}" -v s="${sd[$label]}" -v r="${mean[remux BIG]}" -v k="${rss[$label]}" \
        -v c="${rss[check BIG]}" -v o="${size[$label]}" \
        'BEGIN { printf "| %-20s | %9.3f ± %-7.3f | %9.2f× | %9.1f | %9.2f× | %13s |\n", l, m, s, m / r, k / 1024, k / c, o }'
done
echo
awk -v ti="${mean[import all of BIG]}" -v tr="${mean[remux BIG]}" -v tm="${mean[mkvmerge SMALL BIG]}" \
    -v ri="${rss[import all of BIG]}" -v rc="${rss[check BIG]}" -v out="${size[import all of BIG]}" '
function verdict(ok) { return out == "-" ? "FAIL (no output)" : ok ? "PASS" : "FAIL" }
BEGIN {
    printf "- import time %.3f s = %.2f× the plain remux of BIG (target ≤ 1.2×): %s\n", ti, ti / tr, verdict(ti <= 1.2 * tr)
    printf "- import peak memory %.1f MiB = %.2f× check of BIG (target ≤ 1.25×): %s\n", ri / 1024, ri / rc, verdict(ri <= 1.25 * rc)
    printf "- mkvmerge doing the same: %.2f× our time\n", tm / ti
}'
