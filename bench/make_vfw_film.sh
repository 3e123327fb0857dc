#!/usr/bin/env bash
# Makes the AVI benchmark's film if it is not there yet: MPEG-4 ASP (XVID,
# two B-frames, 640x360, 25 fps) and AC-3 stereo, stored by mkvmerge in VFW
# mode from an ffmpeg AVI, as films converted from old AVIs are. A 1-minute
# clip is encoded once and looped with -c copy.
#
# Usage: bench/make_vfw_film.sh [OUT]   (default: bench/data/vfw_film.mkv)
# Environment: DURATION (seconds, default 2700)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/data/vfw_film.mkv}"
duration="${DURATION:-2700}"
[[ -f "$out" ]] && { echo "$out is there"; exit 0; }
mkdir -p "$(dirname "$out")"
work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-vfw.XXXXXX")"
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
ff -f lavfi -i "testsrc2=size=640x360:rate=25,noise=alls=12:allf=t" -f lavfi -i sine=frequency=440:sample_rate=48000 \
   -t 60 -c:v mpeg4 -vtag XVID -bf 2 -g 250 -b:v 1500k -c:a ac3 -b:a 192k "$work/clip.avi"
ff -stream_loop -1 -i "$work/clip.avi" -t "$duration" -c copy "$work/film.avi"
mkvmerge -q -o "$out" "$work/film.avi"
echo "$out: $(stat -c %s "$out") bytes"
