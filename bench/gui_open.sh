#!/usr/bin/env bash
# GUI open benchmark: the desktop program's "open with the full container
# check" against quillon-cli check on the same file, in one run, warm cache.
#
#   GUI:  quillon --open-full-and-quit FILE   (offscreen; opens FILE on the
#         container tab with the full check, paints the tree and the grid,
#         closes the window and quits)
#   CLI:  quillon-cli check FILE
#
# Wall time of the whole process from hyperfine (mean ± sd of RUNS runs after
# one warm-up run); the GUI's own figures (open: from the open button to the
# tree and grid painted; expand: the Segment's whole branch; close, or open
# again, after expanding) are the medians of its printed steps.
# Target: the GUI process ≤ 2 × quillon-cli check.
#
# Usage: bench/gui_open.sh [FILE...]   (default: bench/data/ffmpeg_film.mkv bench/data/big.mkv)
# Environment: BUILD (the build folder holding quillon and quillon-cli,
#              default build), RUNS (default 5).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BUILD:-$root/build}"
runs="${RUNS:-5}"
gui="$build/quillon"
cli="$build/quillon-cli"
files=("$@")
[[ ${#files[@]} -gt 0 ]] || files=("$here/data/ffmpeg_film.mkv" "$here/data/big.mkv")

for program in "$gui" "$cli"; do
    [[ -x "$program" ]] || { echo "no $program; build with: scripts/build (or BUILD=other/build)" >&2; exit 2; }
done
for tool in hyperfine jq; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done

tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillon-gui-open.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
# No window system, and settings of their own: the user's stay untouched.
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Median of the "STEP: N ms" lines the GUI printed over several runs.
median_of() {
    grep -h "^$1: " "${@:2}" | awk '{ print $(NF-1) }' | sort -n |
        awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "?" }'
}

for file in "${files[@]}"; do
    [[ -f "$file" ]] || { echo "no file $file (bench/make_ffmpeg_film.sh, bench/make_big_file.sh make them)" >&2; exit 2; }
    f="$(printf %q "$file")"
    echo "== $file ($(stat -c %s "$file") bytes)"
    cat "$file" > /dev/null
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$tmp/run.json" \
        "$(printf %q "$cli") check $f > /dev/null 2>&1" \
        "$(printf %q "$gui") --open-full-and-quit $f > /dev/null 2>&1" > "$tmp/hyperfine.log" 2>&1 ||
        { cat "$tmp/hyperfine.log" >&2; exit 1; }
    cli_mean="$(jq -r '.results[0].mean' "$tmp/run.json")"
    cli_sd="$(jq -r '.results[0].stddev // 0' "$tmp/run.json")"
    gui_mean="$(jq -r '.results[1].mean' "$tmp/run.json")"
    gui_sd="$(jq -r '.results[1].stddev // 0' "$tmp/run.json")"

    rm -f "$tmp"/steps.*
    for k in $(seq "$runs"); do
        "$gui" --open-full-and-quit "$file" > "$tmp/steps.open.$k" 2>/dev/null
        "$gui" --open-full-and-quit "$file" --expand-segment > "$tmp/steps.expand.$k" 2>/dev/null
        "$gui" --open-full-and-quit "$file" --expand-segment --open-again > "$tmp/steps.again.$k" 2>/dev/null
    done
    head -n 2 "$tmp/steps.open.1" | tail -n 1 | sed 's/^/   shown: /'
    awk -v cm="$cli_mean" -v cs="$cli_sd" -v gm="$gui_mean" -v gs="$gui_sd" 'BEGIN {
        printf "   quillon-cli check         %7.0f ms ± %3.0f\n", cm * 1000, cs * 1000
        printf "   GUI process               %7.0f ms ± %3.0f   (%.2f × the CLI; target ≤ 2: %s)\n",
               gm * 1000, gs * 1000, gm / cm, gm / cm <= 2 ? "PASS" : "FAIL"
    }'
    printf "   GUI steps, median of %d: open %s ms, close %s ms\n" \
        "$runs" "$(median_of open "$tmp"/steps.open.*)" "$(median_of close "$tmp"/steps.open.*)"
    printf "   after expanding the Segment (%s ms): close %s ms; open again %s ms, then close %s ms\n" \
        "$(median_of expand "$tmp"/steps.expand.*)" "$(median_of close "$tmp"/steps.expand.*)" \
        "$(median_of "open again" "$tmp"/steps.again.*)" "$(median_of close "$tmp"/steps.again.*)"
done
