#!/usr/bin/env bash
# The damage harness: how much of a damaged film quillon-cli remux, mkvmerge and
# ffmpeg -c copy each save (see bench/README.md, "Salvage of damaged films").
#
# Usage: bench/damage/run.sh [--quick] [damage.py options]
#   --quick          one film (film_ffmpeg), one position (50 %) per damage kind: ~30 s
#   (default)        three films, three positions: a few minutes on 2 cores
#   --films A,B      film_ffmpeg, film_mkvmerge, film_live
#   --kinds K,L      none, cut, zero, random, insert_1M, insert_100, cluster_size_big,
#                    cluster_size_small, block_size, seekhead, cues, segment_size0, concat
#   --keep DIR       keep the damaged copies and outputs where quillon is below the best peer
#   --report FILE    default bench/data/damage/report.md
# Makes the films first if they are missing (bench/damage/make_films.sh, ~1-2 minutes).
# Environment: QUILLON_CLI (default build/quillon-cli), TMPDIR (room for ~4 films).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
for tool in python3 ffmpeg ffprobe mkvmerge; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
"$here/make_films.sh"
exec nice -n 5 python3 "$here/damage.py" "$@"
