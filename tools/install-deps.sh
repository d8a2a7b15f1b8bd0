#!/usr/bin/env bash
# Installs the Debian packages that building and testing Vantora need. Safe to run again.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # libraries the platform layer and host adapt
  zlib1g-dev libxml2-dev libcurl4-openssl-dev libgumbo-dev libgmime-3.0-dev
  libcairo2-dev libfontconfig-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev libxml2-utils
  # fixture makers and peers used by tests and benchmarks
  file zip gcab
)

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
