#!/usr/bin/env bash
# Rebuilds the generated part of the checked-in corpus (fuzz/corpus/) from the
# sample project and small fixtures of tests/data/, with the make_seeds program
# of the fuzz build:   fuzz/make-seeds.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
corpus="$here/corpus"
BUILD_TARGET=make_seeds "$root/scripts/build.sh" build-fuzz Debug -DVOCABRIX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ASAN_OPTIONS=detect_leaks=0 "$root/build-fuzz/fuzz/make_seeds" "$root/examples" "$corpus"

# Small real-world fixtures (the big executables would slow every run down).
for f in sample.dll sample32.dll msimsg.dll; do cp "$root/tests/data/pe/$f" "$corpus/pe/"; done
cp "$root/tests/data/pe/sample.res" "$corpus/res/"
cp "$root/tests/data/pe/tform1.bin" "$corpus/form/"
for f in "$root"/tests/data/forms/*.bin; do
    # the smaller half of the form fixtures: enough kinds of values, quick runs
    if [ "$(stat -c %s "$f")" -le 4096 ]; then cp "$f" "$corpus/form/"; fi
done
du -sh "$corpus"
