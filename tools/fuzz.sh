#!/usr/bin/env bash
# The libFuzzer targets (tests/fuzz), built with clang in build-fuzz with AddressSanitizer and
# UndefinedBehaviorSanitizer.
#
#   tools/fuzz.sh build                      configure and build every target
#   tools/fuzz.sh check [RUNS]               build, then run each target over its seed corpus and RUNS
#                                            (default 2000) new inputs, with a fixed seed; fails on a finding
#   tools/fuzz.sh run [SECONDS] [TARGET...]  build, then run each target (default: all) for SECONDS (default
#                                            600); new inputs are kept in build-fuzz/corpus/TARGET, findings
#                                            in build-fuzz/findings/TARGET/
#
# Targets: filetype regfile registrar address header linkinfo rewrites html links answers settings resfile countrydb
# mime msg snapshot mapentry dialogscript.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build-fuzz"
targets=(filetype regfile registrar address header linkinfo rewrites html links answers settings resfile countrydb mime msg snapshot mapentry dialogscript)
jobs=$(nproc)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

build() {
  bash "$root/tools/install-deps.sh"
  local flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  # clang 14 with GCC 12's library has no std::source_location: the check macros take clang's own signature.
  flags="$flags -DVTR_FUNCTION_SIGNATURE=__PRETTY_FUNCTION__"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DVANTORA_FUZZ=ON -DVANTORA_BENCH=OFF >/dev/null
  ninja -C "$dir" -j"$jobs" vantora_fuzz
}

# The shared options: no input blocks on the terminal, a slow input is a finding, memory is bounded.
fuzz() {
  local name=$1; shift
  "$dir/fuzz/fuzz_$name" -timeout=10 -rss_limit_mb=2048 -max_len=65536 "$@" </dev/null
}

mode=${1:-check}
case "$mode" in
  build)
    build ;;
  check)
    runs=${2:-2000}
    build
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    for t in "${targets[@]}"; do
      mkdir -p "$scratch/$t"
      echo "fuzz $t: seed corpus and $runs new inputs"
      if ! fuzz "$t" -seed=1 -runs="$runs" -artifact_prefix="$scratch/" "$scratch/$t" "$root/tests/fuzz/corpus/$t" \
           >"$scratch/$t.log" 2>&1; then
        tail -n 60 "$scratch/$t.log"
        for f in "$scratch"/crash-* "$scratch"/timeout-* "$scratch"/oom-* "$scratch"/leak-*; do
          [ -e "$f" ] && { echo "input: $f"; od -c "$f" | head -n 20; }
        done
        echo "fuzz $t: FAILED" >&2
        exit 1
      fi
    done
    echo "fuzz: all targets passed" ;;
  run)
    seconds=${2:-600}
    shift $(( $# >= 2 ? 2 : $# ))
    [ $# -gt 0 ] && targets=("$@")
    build
    for t in "${targets[@]}"; do
      mkdir -p "$dir/corpus/$t" "$dir/findings/$t"
      echo "fuzz $t: $seconds s"
      fuzz "$t" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$dir/findings/$t/" \
        "$dir/corpus/$t" "$root/tests/fuzz/corpus/$t" || echo "fuzz $t: finding saved in $dir/findings/$t/" >&2
    done ;;
  *)
    sed -n '2,14p' "$0" >&2; exit 2 ;;
esac
