#!/usr/bin/env bash
# Checks the form streams Phrase Desk writes with Free Pascal's reader of the
# component stream format (ObjectBinaryToText): every form must read, and
# read as the form it came from with exactly the intended values translated.
# A manual check, not part of the tests.
#
#   tools/formcheck/run.sh [BUILD_DIR]     (default: build, made by scripts/build.sh)
#
# Exit code 0 when everything agrees, 1 when not. Texts and diffs stay in
# tools/formcheck/build/out.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../checks.sh"

# --- tools --------------------------------------------------------------------
if ! command -v fpc >/dev/null; then
    echo "Installing fp-compiler and fp-units-base..."
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends fp-compiler fp-units-base >/dev/null
fi

rm -rf "$out"
mkdir -p "$out/examples" "$out/big" "$out/fixtures" "$work/fpc"
fpc -O2 -vw -FE"$work" -FU"$work/fpc" "$here/formtext.pas" >/dev/null
core_program "$work/extract" "$here/extract.cpp"
core_program "$work/translate" "$here/translate.cpp"
formtext="$work/formtext"
check="$here/formcheck.py"

status=0
# verdict NAME [DETAILS_FILE]: one line per file; the details, if any, below it.
verdict() {
    if [ -s "${2:-/dev/null}" ]; then
        printf '%-72s DIFFERS\n' "$1"; head -40 "$2"; status=1
    else
        printf '%-72s agrees\n' "$1"
    fi
}
# text BIN: FPC's text of the stream into BIN.txt; its message into BIN.err.
text() { "$formtext" "$1" >"$1.txt" 2>"$1.err"; }

# extract MODULE DIR: the module's forms as DIR/<name>.bin, each also as text.
extract() {
    mkdir -p "$2"
    "$work/extract" "$1" "$2" >/dev/null 2>"$2/extract.err" || true
    for f in "$2"/*.bin; do text "$f" || true; done
}

# --- the example's language DLLs against its executable -----------------------
# The texts differ in the translated values only; what they read as is in
# expected/Notes.<lang>.diff, reviewed against the language files.
cp "$root"/examples/Notes.* "$out/examples/"
extract "$out/examples/Notes.exe" "$out/examples/exe"
for lang in deu fra; do
    "$phrasedesk" -dll "$out/examples/Notes.$lang.lng" >/dev/null
    dir="$out/examples/$lang"
    extract "$out/examples/Notes.$lang" "$dir"
    report="$dir/report.txt"
    : >"$report"
    diff <(cd "$out/examples/exe" && ls *.bin) <(cd "$dir" && ls *.bin) | sed 's/^/  forms: /' >>"$report" || true
    cat "$dir"/*.err | sed 's/^/  /' >>"$report"
    for f in "$out/examples/exe"/*.bin; do
        form="$(basename "$f" .bin)"
        [ -f "$dir/$form.bin.txt" ] || continue
        echo "=== $form"
        diff "$f.txt" "$dir/$form.bin.txt" || true
    done >"$dir/Notes.$lang.diff"
    diff "$here/expected/Notes.$lang.diff" "$dir/Notes.$lang.diff" | sed 's/^/  expected.diff: /' >>"$report" || true
    verdict "examples/Notes.$lang ($(ls "$dir"/*.bin | wc -l) forms)" "$report"
done
report="$out/examples/exe/report.txt"
cat "$out/examples/exe"/*.err | sed 's/^/  /' >"$report"
verdict "examples/Notes.exe ($(ls "$out/examples/exe"/*.bin | wc -l) forms)" "$report"

# --- the benchmark's 500 forms and their fully translated DLL -----------------
big_project "$out/big"
extract "$out/big/app.exe" "$out/big/exe"
extract "$out/big/app.deu" "$out/big/deu"
for module in exe deu; do
    report="$out/big/$module/report.txt"
    cat "$out/big/$module"/*.err | sed 's/^/  /' >"$report"
    verdict "big/app.$module ($(ls "$out/big/$module"/*.bin | wc -l) forms)" "$report"
done
report="$out/big/report.txt"
diff <(cd "$out/big/exe" && ls *.bin) <(cd "$out/big/deu" && ls *.bin) | sed 's/^/  forms: /' >"$report" || true
for f in "$out/big/exe"/*.bin; do
    form="$(basename "$f" .bin)"
    [ -s "$f.txt" ] && [ -s "$out/big/deu/$form.bin.txt" ] || continue
    "$check" counts "$f.txt" "$out/big/deu/$form.bin.txt" >"$out/big/$form.counts" ||
        { echo "  $form:"; cat "$out/big/$form.counts"; } >>"$report"
done
verdict "big: properties per form, app.exe against app.deu" "$report"

# --- real-world streams made by FPC --------------------------------------------
for src in "$root"/tests/data/forms/*.bin; do
    name="$(basename "$src" .bin)"
    base="$out/fixtures/$name"
    cp "$src" "$base.bin"
    text "$base.bin" || { verdict "forms/$name.bin: FPC's own stream" "$base.bin.err"; continue; }

    # Nothing translated: FPC reads the same text.
    report="$base.same.report"
    if "$work/translate" "$base.bin" "$base.same.bin" 2>"$report"; then
        text "$base.same.bin" && diff "$base.bin.txt" "$base.same.bin.txt" >"$report" || cat "$base.same.bin.err" >>"$report"
    fi
    sed -i 's/^/  /' "$report"
    verdict "forms/$name.bin untranslated" "$report"

    # Every string translated: FPC reads exactly those values changed.
    report="$base.translated.report"
    "$check" request "$base.bin.txt" "$base.json"
    if "$work/translate" "$base.bin" "$base.translated.bin" "$base.json" 2>"$report"; then
        if text "$base.translated.bin"; then
            "$check" compare "$base.bin.txt" "$base.translated.bin.txt" "$base.json" >"$base.translated.log" ||
                cat "$base.translated.log" >>"$report"
        else
            cat "$base.translated.bin.err" >>"$report"
        fi
    fi
    sed -i 's/^/  /' "$report"
    verdict "forms/$name.bin translated ($(grep -s 'strings translated' "$base.translated.log" || echo -))" "$report"
done
exit $status
