#!/usr/bin/env bash
# The platform layer exports only what something outside it calls: every function libpal.so exports must be
# imported by the add-in, the host or the MSXML and MSHTML components (modules of their own, as msxml6.dll and mshtml.dll are), or named
# by their sources or tests; the layer's own tests do not count.
# Usage: check-pal-exports.sh [build-dir]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lib="$root/${1:-build}/bin/libpal.so"
[ -f "$lib" ] || { echo "check-pal-exports: $lib is not built" >&2; exit 1; }
cd "$root"

# Each public header marks what it declares as exported.
missing=$(grep -L '^#pragma GCC visibility push(default)' pal/include/*.h pal/include/pal/*.h || true)
if [ -n "$missing" ]; then
  echo "check-pal-exports: these layer headers do not mark their declarations as exported:" >&2
  echo "$missing" | sed 's/^/  /' >&2
  exit 1
fi

# Sources that may call the layer: everything but the layer itself and the tests written for it.
mapfile -t callers < <(
  { find addin __Controls __Utilities email Utils geo dialogs sdk host pal/src/msxml pal/src/mshtml bench tests \
      -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null || true; } |
  grep -Ev '^tests/pal/|^tests/module/(RegistrarTest|TypeLibTest)\.cpp$|^tests/fuzz/|^bench/RegistryBench\.cpp$' |
  sort)

# What the modules built on the layer import from it counts too (calls from its inline header functions).
bin=$(dirname "$lib")
imported=$(for m in "$bin/VantoraAddin.so" "$bin/vantora" "$bin/libmsxml6.so" "$bin/libmshtml.so"; do nm -D --undefined-only "$m"; done |
  awk '{print $2}' | sort -u)

# Free functions only (a class is used when its members are); C++ names lose their parameters and scope.
mapfile -t names < <(
  nm -D --defined-only "$lib" | awk '$2 ~ /^[TW]$/ {print $3}' | sort -u | comm -23 - <(echo "$imported") | c++filt |
  grep -Ev '^(typeinfo|vtable|non-virtual thunk|construction vtable|guard variable)|(^| )(std|__gnu_cxx)::' |
  sed -E 's/\[abi:[^]]*\]//g; s/\(.*$//' |
  awk -F'::' '{ if (NF > 1) { cls = $(NF-1); if (cls ~ /^[A-Z_]/ && cls != toupper(cls) || cls ~ /^_/) next } print $NF }' |
  sort -u)

unused=()
for n in "${names[@]}"; do
  grep -qw -- "$n" "${callers[@]}" || unused+=("$n")
done
if ((${#unused[@]})); then
  echo "check-pal-exports: exported by libpal.so but called by nothing outside the layer and its tests:" >&2
  printf '  %s\n' "${unused[@]}" >&2
  exit 1
fi
echo "check-pal-exports: every function libpal.so exports has a caller"
