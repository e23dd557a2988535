#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all; each prints "name: value unit" lines.
#   ./bench.sh [--dry-run] [bench_name...]
# Names restrict the run to those programs; --dry-run builds and lists the
# programs that would run, without running them (CI checks the script so).
set -euo pipefail
cd "$(dirname "$0")"
dry=0
names=()
for a in "$@"; do
  case "$a" in
    --dry-run) dry=1 ;;
    -*) echo "bench.sh: unknown option $a (usage: ./bench.sh [--dry-run] [bench_name...])" >&2; exit 2 ;;
    *) names+=("$a") ;;
  esac
done
for n in "${names[@]}"; do
  [ -f "bench/$n.cpp" ] || { echo "bench.sh: no benchmark named $n" >&2; exit 2; }
done
scripts/install-deps.sh
scripts/build.sh build-release Release -DVOCABRIX_GUI=ON >&2
export QT_QPA_PLATFORM=offscreen
# The widget benchmarks want a private runtime folder, as the tests do.
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

# The benchmarks are the programs built from bench/bench_*.cpp; the build
# folder also holds other things named bench_* (moc's *_autogen folders).
programs=()
for src in bench/bench_*.cpp; do
  name="$(basename "$src" .cpp)"
  if [ ${#names[@]} -gt 0 ]; then
    case " ${names[*]} " in *" $name "*) ;; *) continue ;; esac
  fi
  program="build-release/bench/$name"
  if [ ! -f "$program" ] || [ ! -x "$program" ]; then
    echo "bench.sh: $program was not built" >&2
    exit 1
  fi
  programs+=("$program")
done

for program in "${programs[@]}"; do
  if [ $dry -eq 1 ]; then echo "$program"; else "$program"; fi
done
