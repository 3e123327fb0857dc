#!/usr/bin/env bash
# Fails when a folder under src/ includes a folder it must not. Layers, lowest
# first; a folder may include its own layer and the ones below it:
#   core <- reader <- writer, export, edit, timeline, attach, dump <- save <- ui, cli
# The six folders of the middle layer are siblings and include none of each other.
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/../.." && pwd)/src}"

allowed() {  # folder -> the folders it may include
  case "$1" in
    core) echo "core" ;;
    reader) echo "core reader" ;;
    writer|export|edit|timeline|attach|dump) echo "core reader $1" ;;
    save) echo "core reader writer export edit timeline attach dump save" ;;
    ui|cli) echo "core reader writer export edit timeline attach dump save $1" ;;
    *) echo "" ;;
  esac
}

status=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  ok=" $(allowed "$folder") "
  if [ "$ok" = "  " ]; then
    echo "src/$folder: a folder the layering does not know; add it to $(basename "$0")"
    status=1
    continue
  fi
  while IFS= read -r hit; do
    file=${hit%%:*}
    included=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$hit")
    case "$ok" in
      *" $included "*) ;;
      *) echo "${file#"$src"/}: includes $included/, which src/$folder may not"; status=1 ;;
    esac
  done < <(grep -rHE '^#include "[a-z_]+/' "$dir" || true)
done
# The core builds without Qt.
if grep -rlE '^#include <Q' "$src"/{core,reader,writer,export,edit,timeline,attach,dump,save} 2>/dev/null; then
  echo "Qt included below the fronts"
  status=1
fi
exit $status
