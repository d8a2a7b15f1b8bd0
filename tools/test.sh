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
# The Windows build and everything it runs under Wine (tools/windows.sh), beside the Linux suites: its Wine
# runs mostly wait on the loop and the loopback twins, so the sanitizer build uses what they leave of the CPUs.
windows_log="$root/build/windows.log"
bash "$root/tools/windows.sh" > "$windows_log" 2>&1 &
windows=$!
# A Linux suite that fails ends the run: the Windows one with it, its log shown.
trap 'if kill -0 "$windows" 2>/dev/null; then kill "$windows"; cat "$windows_log"; fi' EXIT
(cd "$root/build" && ctest --output-on-failure -j"$jobs" --timeout 300)
bash "$root/tools/build.sh" sanitize
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-asan" && ctest --output-on-failure -j"$jobs" --timeout 600)
windows_status=0
wait "$windows" || windows_status=$?
cat "$windows_log"
[ "$windows_status" -eq 0 ] || { echo "test: tools/windows.sh failed (above)" >&2; exit "$windows_status"; }
# Every fuzz target over its seed corpus and a fixed number of new inputs (clang, sanitizers).
bash "$root/tools/fuzz.sh" check 2000
