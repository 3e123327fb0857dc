# Shared by the benchmark scripts (source it): the checks for what they need,
# and one command timed by hyperfine and its peak memory taken by
# /usr/bin/time, in the same run as its peers.

# require_cli CLI: stops (exit 2) with how to build it when the release CLI is missing.
require_cli() {
    [[ -x "$1" ]] && return
    echo "no $1; build it with:" >&2
    echo "  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF -DQUILLON_GUI=OFF" >&2
    echo "  ninja -C build-bench quillon-cli" >&2
    exit 2
}

# require_tools TOOL...: stops (exit 2) when one is missing; /usr/bin/time always.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
    done
    [[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time (package time)" >&2; exit 2; }
}

# The caller of measure declares the associative arrays mean, sd and rss, and
# sets runs (hyperfine's run count) and tmp (a scratch folder).
#
# measure N LABEL CMD OUTPUT
#   N       a number for the scratch files of this command
#   CMD     a shell command; exit status 0 and 1 both count as success
#   OUTPUT  the file it writes ("" for none): deleted, and the disk synced,
#           before each run, outside the timing
# Sets mean[LABEL] and sd[LABEL] (seconds) and rss[LABEL] (kB); stops the
# script when the command fails.
measure() {
    local n="$1" label="$2" cmd="$3" output="$4" prepare="sync"
    [[ -z "$output" ]] || prepare="rm -f $(printf %q "$output"); sync"
    hyperfine --style none --warmup 1 --runs "$runs" --prepare "$prepare" --export-json "$tmp/$n.json" \
        "{ $cmd; } > /dev/null 2>&1; test \$? -le 1" > "$tmp/$n.log" 2>&1 || {
        cat "$tmp/$n.log" >&2
        echo "$label failed (exit status above 1)" >&2
        exit 1
    }
    mean[$label]="$(jq -r '.results[0].mean' "$tmp/$n.json")"
    sd[$label]="$(jq -r '.results[0].stddev // 0' "$tmp/$n.json")"
    bash -c "$prepare"
    /usr/bin/time -v -o "$tmp/$n.time" bash -c "$cmd" > /dev/null 2>&1 || true
    rss[$label]="$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$tmp/$n.time")"
}
