#!/usr/bin/env bash
# Installs the Debian packages Phrase Desk needs to build, test and run.
# Only missing packages are installed; a machine that has them all is left alone.
set -euo pipefail

PACKAGES=(
  build-essential        # C++ compiler and make
  cmake                  # build system generator
  ninja-build            # the build tool CMake drives
  pkg-config             # library lookup used by CMake's find modules
  ccache                 # makes rebuilds of an unchanged tree take seconds
  clang                  # the fuzz targets (fuzz/run.sh): libFuzzer needs clang
  libclang-rt-14-dev     # libFuzzer and the sanitizer runtimes for clang
  qt6-base-dev           # Qt Core, Network, Xml, Widgets and Qt Test
  libqt6opengl6-dev      # needed by Qt Charts' CMake files when recommends are off
  qt6-charts-dev         # the statistics pie chart
  libicu-dev             # code pages, collation and character properties
  zlib1g-dev             # zlib, the peer the compression benchmark compares with
  libsqlite3-dev         # SQLite, the peer the table benchmarks compare with
  openssl                # certificates of the loopback HTTPS server of the web translation tests (and libssl for Qt's TLS)
  python3                # that loopback server (http.server behind ssl)
  libqt6sql6-psql        # Qt SQL's PostgreSQL driver: the shared repository of a team
  postgresql             # the server the shared repository's tests start on a free port (with pg_trgm)
  apertium-apy           # Apertium's HTTP server: the in-house machine translation engine the tests start on loopback
  apertium-eng-spa       # its English-Spanish pair, the one the machine translation tests and benchmark translate with
  xvfb                   # a display for running the editor on a headless machine
  xauth                  # used by xvfb-run
  librsvg2-bin           # rsvg-convert: the package's PNG icons from the one SVG source
  lintian                # CI checks the Debian package (package.sh) for errors
  desktop-file-utils     # desktop-file-validate, for the package's menu entry
  appstream              # appstreamcli validate, for the package's software-centre data
  fonts-dejavu-core      # Latin, Greek, Cyrillic and Hebrew glyphs for the GUI tests
  fonts-droid-fallback   # CJK glyphs
  fonts-tlwg-loma-ttf    # Thai glyphs
  fonts-nanum            # Korean glyphs
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
APT=(apt-get -o DPkg::Lock::Timeout=600)
echo "Installing: ${missing[*]}" >&2
if ! DEBIAN_FRONTEND=noninteractive $SUDO "${APT[@]}" install -y --no-install-recommends "${missing[@]}"; then
  $SUDO "${APT[@]}" update
  DEBIAN_FRONTEND=noninteractive $SUDO "${APT[@]}" install -y --no-install-recommends "${missing[@]}"
fi
