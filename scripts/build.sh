#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh <dir> <build type> [cmake options...]
# BUILD_TARGET, when set, builds only that target (the run command needs the program alone).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; type="$2"; shift 2
# Let ccache share results between clones in other folders (CI builds a fresh clone).
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
# When a configure run changes what moc has to look at (new headers, the GUI
# switched on), the autogen steps of an existing tree do not notice by
# themselves; dropping their time stamps makes them look again.
autogen_info() { { cat "$root/$dir"/CMakeFiles/*_autogen.dir/AutogenInfo.json 2>/dev/null || true; } | md5sum; }
before="$(autogen_info)"
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
if [ "$before" != "$(autogen_info)" ]; then rm -f "$root/$dir"/*_autogen/timestamp; fi
cmake --build "$root/$dir" -j "$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
