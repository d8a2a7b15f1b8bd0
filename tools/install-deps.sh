#!/usr/bin/env bash
# Installs the Debian packages that building and testing Vantora need. Safe to run again.
# tools/install-deps.sh [--pictures]
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # the resources, in both builds: windres, the mingw-w64 C preprocessor it runs, and the SDK's winres.h
  binutils-mingw-w64-x86-64 gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  # libraries the platform layer adapts
  zlib1g-dev libxml2-dev libcurl4-openssl-dev libffi-dev libgumbo-dev
  # drawing: text laid out by Pango over cairo; Noto Sans stands in for Segoe UI, with fallback faces
  # for Han, Kana and Hangul (WenQuanYi Micro Hei) and colour emoji
  libpango1.0-dev libcairo2-dev fonts-noto-core fonts-wqy-microhei fonts-noto-color-emoji
  # file associations: the shared MIME database and desktop entries, read through GIO
  libglib2.0-dev shared-mime-info
  # the map page's script library (OpenLayers 2, BSD-2-Clause), installed beside the module at build time,
  # and the browser the map page tests load it in
  libjs-openlayers chromium
  # the host's message store: MIME messages, Outlook .msg compound files, winmail.dat
  libgmime-3.0-dev libgsf-1-dev libytnef0-dev
  # tests and benchmarks (file is the peer the identify benchmark is measured against)
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev file
  # the country ranges of the offline provider (IPFire location data, as text), compiled at build time
  tor-geoipdb
  # the add-in's icons and banner: SVG sources rendered with librsvg and packed into .ico files, the
  # banner converted to a bitmap with netpbm
  librsvg2-bin icoutils netpbm
  # the user guide Help.pdf, typeset from its groff source
  groff
  # fuzz targets: clang and its compiler runtime, which holds libFuzzer and the sanitizers for clang
  clang libclang-rt-14-dev
  # the Windows build: mingw-w64 with its SDK headers and zlib, widl with Wine's IDL files and stdole2.tlb
  # for the type library, Wine to run the DLL and its tests, and GoogleTest's sources to build those tests
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev mingw-w64-tools libwine-dev wine wine64
  googletest
  # the Windows Installer package: wixl builds it, msitools' msibuild and msiinfo fill and read its tables
  wixl msitools
)

# With --pictures also what tools/windows/dialog-pictures.sh needs: an X server without a screen and
# ImageMagick's import to take pictures of it.
if [ "${1:-}" = "--pictures" ]; then
  packages+=(xvfb imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
