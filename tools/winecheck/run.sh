#!/usr/bin/env bash
# Checks the resource DLLs Phrase Desk writes with Wine's Windows loader: every
# string and RCDATA item a Windows program reads through LoadStringW and
# FindResource must equal what "phrasedesk -resinfo:" reads. A manual check,
# not part of the tests (Wine is too heavy for CI).
#
#   tools/winecheck/run.sh [BUILD_DIR]     (default: build, made by scripts/build.sh)
#
# Exit code 0 when everything agrees, 1 when not. Listings and diffs stay in
# tools/winecheck/build/out.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../checks.sh"

# --- tools --------------------------------------------------------------------
if ! command -v x86_64-w64-mingw32-gcc >/dev/null || ! [ -x /usr/lib/wine/wine64 ]; then
    echo "Installing wine64 and gcc-mingw-w64-x86-64..."
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends wine64 gcc-mingw-w64-x86-64 >/dev/null
fi
wine=/usr/lib/wine/wine64
# Our reader takes each resource's first language; in the Wine fixtures that
# is Arabic (0x0001), so Windows is asked for Arabic too. Our DLLs hold one
# language only.
winelang=ar_SA.UTF-8
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

rm -rf "$out"
mkdir -p "$out/examples" "$out/fixtures" "$out/big"
x86_64-w64-mingw32-gcc -municode -O2 -Wall -Wextra -o "$work/dllcheck.exe" "$here/dllcheck.c"
core_program "$work/roundtrip" "$here/roundtrip.cpp"

# --- the modules --------------------------------------------------------------
files=()
cp "$root"/examples/Notes.* "$out/examples/"
for lang in deu fra; do
    "$phrasedesk" -dll "$out/examples/Notes.$lang.lng" >/dev/null
    files+=("$out/examples/Notes.$lang")
done
files+=("$out/examples/Notes.exe")
# Real Windows modules, as they are (a check of our reader) and rewritten by our writer.
for f in compstui.dll msimsg.dll taskkill.exe sample.dll sample32.dll; do
    cp "$root/tests/data/pe/$f" "$out/fixtures/$f"
    "$work/roundtrip" "$out/fixtures/$f" "$out/fixtures/${f%.*}.rt.dll"
    files+=("$out/fixtures/$f" "$out/fixtures/${f%.*}.rt.dll")
done
# Edge cases compiled by windres: odd, empty and large items, name order, ids 0 and 65535.
mkdir -p "$out/edge"
(
    cd "$out/edge"
    printf x >one.bin; printf ab >two.bin; printf abc >three.bin; : >empty.bin
    awk 'BEGIN { for (i = 0; i < 70000; ++i) printf "%c", 33 + i % 90 }' >big.bin
    x86_64-w64-mingw32-windres -i "$here/edge.rc" -O res -o upper.res
    python3 - <<'PY'
data = open("upper.res", "rb").read()
for old, new in (("TMIXEDCASE", "TMixedCase"), ("TX", "T\u00df")):
    a, b = old.encode("utf-16-le") + b"\0\0", new.encode("utf-16-le") + b"\0\0"
    assert data.count(a) == 1, old
    data = data.replace(a, b)
open("edge.res", "wb").write(data)
PY
)
for bits in 32 64; do
    "$work/roundtrip" $([ $bits = 64 ] && echo --64) "$out/edge/edge.res" "$out/edge/edge$bits.dll"
    files+=("$out/edge/edge$bits.dll")
done

big_project "$out/big"
"$work/roundtrip" --64 "$out/big/app.deu" "$out/big/app64.deu"
files+=("$out/big/app.exe" "$out/big/app.deu" "$out/big/app64.deu")

# --- the comparison -----------------------------------------------------------
# dllcheck's listing in the form of -resinfo: strings, then RCDATA name, size, hash.
as_resinfo() {
    awk -F'\t' '
        $1 == "str"    { s = s $2 "\t" substr($0, length($1 $2) + 3) "\n" }
        $1 == "rcdata" { r = r $2 "\t" $3 "\t" $4 "\n" }
        END { printf "[RT_STRING]\n%s[RT_RCDATA]\n%s", s, r }' "$1"
}

status=0
for f in "${files[@]}"; do
    name="${f#"$out"/}"
    "$phrasedesk" "-resinfo:$f" >"$f.ours.txt"
    verdict="agrees"
    for mode in data image; do
        listing="$f.wine-$mode.txt"
        LC_ALL=$winelang "$wine" "$work/dllcheck.exe" $([ $mode = image ] && echo --image) "Z:$f" >"$listing" 2>/dev/null || true
        if ! grep -q $'^load\t.*\tok$' "$listing"; then
            verdict="DIFFERS"; echo "$name [$mode]: $(head -1 "$listing" | cut -f3)"; continue
        fi
        if grep -q '^warn' "$listing"; then
            verdict="DIFFERS"; grep '^warn' "$listing" | sed "s|^|$name [$mode]: |"
        fi
        if ! diff <(as_resinfo "$listing") "$f.ours.txt" >"$f.$mode.diff"; then
            verdict="DIFFERS"; echo "$name [$mode]: Wine (<) and -resinfo (>) differ:"; head -20 "$f.$mode.diff"
        fi
    done
    [ "$verdict" = agrees ] || status=1
    printf '%-28s %s (%s strings, %s RCDATA)\n' "$name" "$verdict" \
        "$(grep -c $'^str\t' "$f.wine-data.txt" || true)" "$(grep -c $'^rcdata\t' "$f.wine-data.txt" || true)"
    # Header rules Wine does not enforce: shown, not counted.
    grep '^note' "$f.wine-data.txt" | sed "s|^note.|    note: |" || true
done
exit $status
