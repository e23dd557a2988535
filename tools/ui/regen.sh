#!/usr/bin/env bash
# Regenerates the interface project in lang/ after the windows changed or a
# dictionary in lang/dict/ grew:
#   tools/ui/regen.sh [build-folder]        (default: build)
# uiwalker walks every window offscreen and rewrites lang/phrasedesk.ntv.lng;
# each language's table is then filled from lang/dict/<abbr>.tsv and any
# lang/dict/<abbr>.<part>.tsv beside it (lang/dict/<abbr>.messages.tsv holds
# the string table's messages).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
cmake --build "$build" --target uiwalker >&2
keys="$(mktemp)"
trap 'rm -f "$keys"' EXIT
QT_QPA_PLATFORM=offscreen "$build/uiwalker" "$PWD/lang" > "$keys"
# A language has a table as soon as any of its dictionaries exists (the
# messages may be translated before the windows are).
for name in $(ls lang/dict/*.tsv | xargs -n1 basename | cut -d. -f1 | sort -u); do
  parts=()
  for dict in lang/dict/"$name".tsv lang/dict/"$name".*.tsv; do
    [ -f "$dict" ] && parts+=("$dict")
  done
  python3 tools/ui/filltable.py "$keys" "${parts[@]}" > "lang/phrasedesk.$name.txt.tmp"
  mv "lang/phrasedesk.$name.txt.tmp" "lang/phrasedesk.$name.txt"
done
