#!/usr/bin/env bash
# The platform layer exports only what something outside it calls: every function libpal.so exports must be
# imported by the add-in, the host or the MSXML and MSHTML components (modules of their own, as msxml6.dll and mshtml.dll are), or named
# by their sources or tests; the layer's own tests do not count. Each is declared by a public layer header, and
# no ATL code of sdk/ crosses a module boundary.
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

# sdk/ is the add-in's own SDK and ATL: interfaces and inline code that each module keeps for itself (ATL's
# module marker is one per module), so none of it may be exported, nor imported from another module.
if grep -l 'visibility push(default)' sdk/*.h sdk/win/*.h 2>/dev/null; then
  echo "check-pal-exports: these sdk/ headers export what they declare; each module keeps its own copy" >&2
  exit 1
fi
bin=$(dirname "$lib")
atl=$( { nm -D --defined-only "$lib"
         for m in "$bin/VantoraAddin.so" "$bin/vantora"; do nm -D --undefined-only "$m"; done; } |
       awk '{print $NF}' | c++filt | grep -E '(^| |\()ATL::' || true)
if [ -n "$atl" ]; then
  echo "check-pal-exports: ATL code crosses a module boundary (exported by the layer or imported by a module):" >&2
  echo "$atl" | sed 's/^/  /' >&2
  exit 1
fi

# Sources that may call the layer: everything but the layer itself and the tests written for it.
mapfile -t callers < <(
  { find addin __Controls __Utilities email Utils geo dialogs sdk host pal/src/msxml pal/src/mshtml bench tests \
      -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null || true; } |
  grep -Ev '^tests/pal/|^tests/module/(RegistrarTest|TypeLibTest)\.cpp$|^tests/fuzz/|^bench/RegistryBench\.cpp$' |
  sort)

# What the modules built on the layer import from it counts too (calls from its inline header functions).
imported=$(for m in "$bin/VantoraAddin.so" "$bin/vantora" "$bin/libmsxml6.so" "$bin/libmshtml.so"; do nm -D --undefined-only "$m"; done |
  awk '{print $2}' | sort -u)

# Free functions only (a class is used when its members are); C++ names lose their parameters and scope.
free_functions() {
  c++filt | grep -Ev '^(typeinfo|vtable|non-virtual thunk|construction vtable|guard variable)|(^| )(std|__gnu_cxx)::' |
  sed -E 's/\[abi:[^]]*\]//g; s/\(.*$//' |
  awk -F'::' '{ if (NF > 1) { cls = $(NF-1); if (cls ~ /^[A-Z_]/ && cls != toupper(cls) || cls ~ /^_/) next } print $NF }' |
  sort -u
}
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TW]$/ {print $3}' | sort -u)
mapfile -t all_names < <(echo "$exported" | free_functions)
mapfile -t names < <(echo "$exported" | comm -23 - <(echo "$imported") | free_functions)

# Each exported function is declared by a public layer header, never by sdk/ alone.
undeclared=()
for n in "${all_names[@]}"; do
  grep -qw -- "$n" pal/include/*.h pal/include/pal/*.h || undeclared+=("$n")
done
if ((${#undeclared[@]})); then
  echo "check-pal-exports: exported by libpal.so but declared by no header of pal/include:" >&2
  printf '  %s\n' "${undeclared[@]}" >&2
  exit 1
fi

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
