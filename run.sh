#!/usr/bin/env bash
# Installs what is missing, builds an optimised (Release) Phrase Desk in
# build-release/ and starts it on the sample project. The tests use their own
# Debug build in build/. Extra arguments are passed to the program (batch
# switches work).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
BUILD_TARGET=phrasedesk scripts/build.sh build-release Release -DVOCABRIX_GUI=ON >&2
if [ $# -eq 0 ]; then
  set -- examples/Notes.ntv.lng
fi
exec build-release/phrasedesk "$@"
