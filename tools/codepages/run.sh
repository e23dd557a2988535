#!/usr/bin/env bash
# Regenerates src/storage/CodePageGaps.cpp: Windows' conversion tables for the
# code pages of the locale catalogue, compared with ICU's converters. Windows'
# tables come from Wine (its c_NNNN.nls files are in the format of Windows'
# own); only the libwine package is downloaded and unpacked here, nothing is
# installed.   tools/codepages/run.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
work="$here/build"
mkdir -p "$work"
if [ ! -d "$work/nls" ]; then
    (cd "$work" && apt-get download libwine >/dev/null)
    dpkg-deb -x "$work"/libwine_*.deb "$work/unpacked"
    mv "$work/unpacked/usr/share/wine/nls" "$work/nls"
    rm -rf "$work/unpacked" "$work"/libwine_*.deb
fi
g++ -std=c++20 -O1 -Wall -Wextra -o "$work/compare" "$here/compare.cpp" -licuuc -licudata
# The code pages of data/locales.txt.
pages="$(awk -F'|' '!/^#/ && NF == 12 && $11 != 0 { print $11 }' "$root/data/locales.txt" | sort -nu | tr '\n' ' ')"
"$work/compare" "$work/nls" $pages >"$root/src/storage/CodePageGaps.cpp"
clang-format -i "$root/src/storage/CodePageGaps.cpp"
