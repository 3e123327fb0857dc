#!/usr/bin/env bash
# Remux and export targets, per file, in one run, warm cache:
#
#   baseline: quillon-cli check FILE                  (time and peak memory of the full scan)
#   remux:    quillon-cli remux FILE -o OUT --overwrite  vs  mkvmerge -q -o OUT FILE,
#                                                            ffmpeg -map 0 -c copy, cat FILE > OUT
#   export:   quillon-cli export FILE --track N --as ac3 vs  mkvextract FILE tracks ID:OUT
#             (the first AC-3 track: N its number, ID mkvextract's track ID)
#
# Wall time from hyperfine (mean of RUNS runs after a warm-up run; before each
# run the output is deleted and the disk synced, outside the timing), peak
# memory from /usr/bin/time -v (maximum resident set size). Exit status 1 counts
# as success for every command (ours: "completed with warnings", mkvmerge and
# mkvextract: warnings); a missing output is reported.
#
# Targets, per file:
#   - peak memory of remux and of export ≤ 1.25 × the peak memory of check,
#   - remux ≥ 3× faster than mkvmerge (mkvmerge time / remux time ≥ 3),
#   - export not slower than mkvextract (export time ≤ mkvextract time).
# A benchmark, not a test: the exit status does not depend on the targets.
#
# Usage: bench/targets.sh [FILE...]   (default: bench/data/big.mkv bench/data/ffmpeg_film.mkv)
# Environment: QUILLON_CLI (default build-bench/quillon-cli), RUNS (default 5),
#              TMPDIR (where the outputs go; they are removed at the end).
set -euo pipefail
source "$(dirname "$0")/measure.sh"

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cli="${QUILLON_CLI:-$root/build-bench/quillon-cli}"
runs="${RUNS:-5}"
(( $# > 0 )) || set -- "$here/data/big.mkv" "$here/data/ffmpeg_film.mkv"

for file in "$@"; do
    [[ -f "$file" ]] || {
        echo "no file $file (make it with bench/make_big_file.sh or bench/make_ffmpeg_film.sh)" >&2
        exit 2
    }
done
require_cli "$cli"
require_tools hyperfine mkvmerge mkvextract ffmpeg jq cmp

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-targets.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
q="$(printf %q "$cli")"
t="$(printf %q "$tmp")"

summary=()

measure_file() {
    local file="$1"
    local f tid number
    f="$(printf %q "$file")"

    # The first AC-3 track: its number (ours) and its track ID (mkvextract's).
    read -r tid number < <(mkvmerge -J "$file" |
        jq -r '[.tracks[] | select(.properties.codec_id == "A_AC3")][0] | "\(.id) \(.properties.number)"')

    # label | command | output ("" for none)
    local benches=(
        "quillon-cli check|$q check $f|"
        "quillon-cli remux|$q remux $f -o $t/quillon.mkv --overwrite|$tmp/quillon.mkv"
        "mkvmerge -o|mkvmerge -q -o $t/mkvmerge.mkv $f|$tmp/mkvmerge.mkv"
        "ffmpeg -c copy|ffmpeg -nostdin -v error -y -i $f -map 0 -c copy $t/ffmpeg.mkv|$tmp/ffmpeg.mkv"
        "cat > OUT|cat $f > $t/cat.mkv|$tmp/cat.mkv"
    )
    if [[ "$tid" != "null" ]]; then
        benches+=(
            "quillon-cli export|$q export $f --track $number --as ac3 -o $t/quillon.ac3 --overwrite|$tmp/quillon.ac3"
            "mkvextract tracks|mkvextract $f tracks $tid:$t/mkvextract.ac3|$tmp/mkvextract.ac3"
        )
    fi

    local -A mean sd rss size
    echo
    echo "# $file ($(stat -c %s "$file") bytes)"
    if [[ "$tid" != "null" ]]; then
        echo "first AC-3 track: number $number, mkvextract ID $tid"
    else
        echo "no AC-3 track: export not measured"
    fi
    echo "warming the cache ..."
    cat "$file" > /dev/null

    local n=0 entry label cmd output
    for entry in "${benches[@]}"; do
        IFS='|' read -r label cmd output <<< "$entry"
        n=$((n + 1))
        echo "[$n/${#benches[@]}] $label: $cmd"
        measure "$n" "$label" "$cmd" "$output"
        if [[ -n "$output" ]]; then
            if [[ -f "$output" ]]; then
                size[$label]="$(stat -c %s "$output")"
            else
                size[$label]="-"
                echo "WARNING: $label wrote no $output" >&2
            fi
        else
            size[$label]=""
        fi
    done

    local same=""
    if [[ "$tid" != "null" ]]; then
        if [[ -f "$tmp/quillon.ac3" && -f "$tmp/mkvextract.ac3" ]] && cmp -s "$tmp/quillon.ac3" "$tmp/mkvextract.ac3"; then
            same="identical"
        else
            same="DIFFERENT"
        fi
    fi

    row() {  # label reference-label
        awk -v l="$1" -v m="${mean[$1]}" -v s="${sd[$1]}" -v r="${mean[$2]}" -v k="${rss[$1]}" \
            -v c="${rss[quillon-cli check]}" -v b="${size[$1]}" \
            'BEGIN { printf "| %-20s | %9.3f ± %-7.3f | %7.2f× | %9.1f | %6.2f× | %13s |\n",
                     l, m, s, m / r, k / 1024, k / c, b }'
    }
    local header="| command              | wall s (mean ± sd)  | ratio    | peak MiB  | /check  | output bytes  |"
    local rule="|----------------------|---------------------|----------|-----------|---------|---------------|"

    echo
    echo "## Remux (ratio: time / time of quillon-cli remux; /check: peak memory / that of quillon-cli check)"
    echo
    echo "$header"
    echo "$rule"
    for label in "quillon-cli remux" "mkvmerge -o" "ffmpeg -c copy" "cat > OUT" "quillon-cli check"; do
        row "$label" "quillon-cli remux"
    done
    if [[ "$tid" != "null" ]]; then
        echo
        echo "## AC-3 export (ratio: time / time of quillon-cli export); output to mkvextract's: $same"
        echo
        echo "$header"
        echo "$rule"
        for label in "quillon-cli export" "mkvextract tracks" "quillon-cli check"; do
            row "$label" "quillon-cli export"
        done
    fi

    local lines
    # A command that wrote nothing fails its targets whatever its time.
    local remux_out=1 export_out=1
    [[ "${size[quillon-cli remux]}" != "-" ]] || remux_out=0
    [[ "${size[quillon-cli export]:-}" != "-" ]] || export_out=0
    lines="$(awk -v ro="$remux_out" -v eo="$export_out" -v c="${rss[quillon-cli check]}" -v rr="${rss[quillon-cli remux]}" -v er="${rss[quillon-cli export]:-}" \
        -v tr="${mean[quillon-cli remux]}" -v tm="${mean[mkvmerge -o]}" \
        -v te="${mean[quillon-cli export]:-}" -v tx="${mean[mkvextract tracks]:-}" '
    function verdict(ok, out) { return !out ? "FAIL (no output)" : ok ? "PASS" : "FAIL" }
    BEGIN {
        if (er != "") {
            printf "- peak memory: remux %.1f MiB (%.2f×), export %.1f MiB (%.2f×) of check'"'"'s %.1f MiB (target ≤ 1.25×): %s\n",
                rr / 1024, rr / c, er / 1024, er / c, c / 1024, verdict(rr <= 1.25 * c && er <= 1.25 * c, ro && eo)
        } else {
            printf "- peak memory: remux %.1f MiB (%.2f×) of check'"'"'s %.1f MiB (target ≤ 1.25×): %s\n",
                rr / 1024, rr / c, c / 1024, verdict(rr <= 1.25 * c, ro)
        }
        printf "- remux vs mkvmerge: %.2f× faster (target ≥ 3×): %s\n", tm / tr, verdict(tm / tr >= 3, ro)
        if (te != "")
            printf "- export vs mkvextract: %.2f× its speed (target ≥ 1, export time ≤ mkvextract time): %s\n",
                tx / te, verdict(te <= tx, eo)
        else
            printf "- export vs mkvextract: not measured (no AC-3 track)\n"
    }')"
    echo
    echo "## Targets"
    echo
    echo "$lines"
    summary+=("$(basename "$file"):" "$lines")

    rm -f "$tmp"/*.mkv "$tmp"/*.ac3
}

for file in "$@"; do
    measure_file "$file"
done

if (( $# > 1 )); then
    echo
    echo "# Summary"
    printf '%s\n' "${summary[@]}"
fi
