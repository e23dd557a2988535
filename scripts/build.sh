#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh <dir> <build type> [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; type="$2"; shift 2
# Let ccache share results between clones in other folders (CI builds a fresh clone).
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
cmake --build "$root/$dir" -j "$(nproc)"
