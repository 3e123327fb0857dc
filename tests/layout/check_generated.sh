#!/usr/bin/env bash
# Fails when the committed generated files differ from what
# scripts/gen_dictionary.py makes from the schema and the fixed rows now.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
python3 "$root/scripts/gen_dictionary.py" --out "$out/generated" --dict "$out/matroska.dict" >/dev/null
python3 "$root/scripts/gen_languages.py" --out "$out/generated/language_codes.inc"
diff -u "$root/src/core/generated" "$out/generated"
diff -u "$root/tests/fuzz/matroska.dict" "$out/matroska.dict"
