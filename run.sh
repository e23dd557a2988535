#!/usr/bin/env bash
# Installs what is missing, builds and starts Phrase Desk on the sample project.
# Extra arguments are passed to the program (batch switches work).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build Debug >&2
if [ $# -eq 0 ]; then
  set -- examples/Notes.ntv.lng
fi
exec build/phrasedesk "$@"
