# Shared by the manual checks tools/*/run.sh: the paths, the build to check,
# and small programs compiled against its core library. Sourced by a check
# with its own folder in $here and its arguments in "$@".
root="$(cd "$here/../.." && pwd)"
bld="$root/${1:-build}"
work="$here/build"
out="$work/out"
[ -x "$bld/phrasedesk" ] && [ -f "$bld/libvocabrix.a" ] ||
    { echo "build $bld first: scripts/build.sh ${1:-build} Debug" >&2; exit 2; }
phrasedesk="$bld/phrasedesk"

# core_program OUTPUT SOURCE [OPTION...]: compiles SOURCE against the core library.
core_program() {
    local output=$1 source=$2
    shift 2
    local qt=/usr/include/x86_64-linux-gnu/qt6
    g++ -std=c++20 -O1 -fPIC -Wall -Wextra -I"$root/src" -I"$bld/generated" \
        -isystem "$qt" -isystem "$qt/QtCore" -isystem /usr/lib/x86_64-linux-gnu/qt6/mkspecs/linux-g++ \
        "$@" -o "$output" "$source" \
        "$bld/libvocabrix.a" -lQt6Network -lQt6Xml -licuuc -licui18n -licudata -ldl -lQt6Core
}

# big_project FOLDER: the benchmark's executable with 500 forms and 20,000
# strings (app.exe) and its fully translated language DLL (app.deu).
big_project() {
    mkdir -p "$1" "$work/tmp"
    core_program "$work/bigdll" "$root/bench/bench_dll.cpp" -include "$root/tools/keepdir.h"
    TMPDIR="$work/tmp" "$work/bigdll" >/dev/null
    mv "$work"/tmp/*/app.exe "$work"/tmp/*/app.deu "$1/"
    rm -rf "$work/tmp"
}
