#!/usr/bin/env bash
# Installs the dependencies and builds one configuration: tools/build.sh [release|sanitize]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
bash "$root/tools/install-deps.sh"
case "$kind" in
  release) dir="$root/build"; extra=() ;;
  sanitize) dir="$root/build-asan"; extra=(-DVANTORA_SANITIZE=ON -DVANTORA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  *) echo "usage: tools/build.sh [release|sanitize]" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
ninja -C "$dir" -j"$(nproc)"
