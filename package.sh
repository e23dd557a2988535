#!/usr/bin/env bash
# Builds the Debian package phrasedesk_<version>_amd64.deb in Release
# (build-release/) and copies it here. Install it with
#   sudo apt install ./phrasedesk_*.deb
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh >&2
scripts/build.sh build-release Release -DVOCABRIX_GUI=ON >&2
(cd build-release && cpack -G DEB >&2)
deb=$(ls -t build-release/phrasedesk_*_amd64.deb | head -n 1)
cp "$deb" .
echo "$(basename "$deb")"
