#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there:
# both programs (they answer --version), the desktop entry (valid by
# desktop-file-validate, opening Matroska files), the icons, and manual pages
# that man reads and that say what the programs' --help says.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/quillon-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null

for f in bin/quillon bin/quillon-cli share/applications/quillon.desktop share/icons/hicolor/scalable/apps/quillon.svg \
  share/icons/hicolor/48x48/apps/quillon.png share/icons/hicolor/256x256/apps/quillon.png \
  share/man/man1/quillon.1 share/man/man1/quillon-cli.1; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/quillon-cli" ] || fail "quillon-cli is not executable"
"$prefix/bin/quillon-cli" --version | grep -q '^quillon-cli [0-9]' || fail "quillon-cli --version"
"$prefix/bin/quillon" --version | grep -q '^quillon [0-9]' || fail "quillon --version (without a display)"

desktop="$prefix/share/applications/quillon.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -q '^MimeType=.*video/x-matroska;' "$desktop" || fail "the desktop entry does not open Matroska video"
grep -q '^Exec=quillon %f$' "$desktop" || fail "the desktop entry does not pass the file"
grep -q '^Comment\[ru\]=' "$desktop" || fail "no Russian comment"

page() { MANWIDTH=200 man -l "$1" 2>/dev/null | col -b; }
cli_page="$(page "$prefix/share/man/man1/quillon-cli.1")"
gui_page="$(page "$prefix/share/man/man1/quillon.1")"
[ -n "$cli_page" ] && [ -n "$gui_page" ] || fail "man cannot read the pages"
# No drift: every command's first --help line is in the page, and so is the GUI's usage.
for command in $("$prefix/bin/quillon-cli" --lang eng --help | awk '/^  [a-z]/ { print $1 }'); do
  first="$("$prefix/bin/quillon-cli" --lang eng "$command" --help | head -1)"
  grep -qF -- "$first" <<<"$cli_page" || fail "quillon-cli.1 lacks: $first"
done
grep -qF "Usage: quillon [FILE]" <<<"$gui_page" || grep -qF "quillon [FILE]" <<<"$gui_page" || fail "quillon.1 lacks its usage"
echo "installed tree under a temporary prefix: OK"
