#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all; each prints "name: value unit" lines.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build-release Release -DVOCABRIX_GUI=ON >&2
export QT_QPA_PLATFORM=offscreen
for b in build-release/bench/bench_*; do
  [ -x "$b" ] || continue
  if [ $# -gt 0 ]; then
    case " $* " in *" $(basename "$b") "*) ;; *) continue ;; esac
  fi
  "$b"
done
