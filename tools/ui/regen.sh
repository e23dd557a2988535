#!/usr/bin/env bash
# Regenerates the interface project in lang/ after the windows changed or a
# dictionary in lang/dict/ grew:
#   tools/ui/regen.sh [build-folder]        (default: build)
# uiwalker walks every window offscreen and rewrites lang/phrasedesk.ntv.lng;
# each language's table is then filled from lang/dict/<abbr>.tsv and any
# lang/dict/<abbr>.<part>.tsv beside it.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
cmake --build "$build" --target uiwalker >&2
keys="$(mktemp)"
trap 'rm -f "$keys"' EXIT
QT_QPA_PLATFORM=offscreen "$build/uiwalker" "$PWD/lang" > "$keys"
for dict in lang/dict/*.tsv; do
  name="$(basename "$dict" .tsv)"
  case "$name" in *.*) continue ;; esac
  parts=("$dict")
  for extra in lang/dict/"$name".*.tsv; do
    [ -f "$extra" ] && parts+=("$extra")
  done
  python3 tools/ui/filltable.py "$keys" "${parts[@]}" > "lang/phrasedesk.$name.txt.tmp"
  mv "lang/phrasedesk.$name.txt.tmp" "lang/phrasedesk.$name.txt"
done
