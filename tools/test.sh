#!/usr/bin/env bash
# Builds the add-in twice (release, and AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
bash "$root/tools/build.sh" release
# The add-in's sources stay Windows code that compiles against the Windows SDK.
bash "$root/tools/check-sources.sh"
# The platform layer exports only what its callers use.
bash "$root/tools/check-pal-exports.sh"
# The Windows DLL from the same sources, registered and unregistered under Wine.
bash "$root/tools/windows.sh"
(cd "$root/build" && ctest --output-on-failure -j"$jobs" --timeout 300)
bash "$root/tools/build.sh" sanitize
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-asan" && ctest --output-on-failure -j"$jobs" --timeout 600)
# Every fuzz target over its seed corpus and a fixed number of new inputs (clang, sanitizers).
bash "$root/tools/fuzz.sh" check 2000
