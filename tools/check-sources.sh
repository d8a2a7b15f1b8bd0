#!/usr/bin/env bash
# Checks that the add-in's sources stay Windows code: no Linux-only vocabulary in the add-in folders, and
# every add-in source compiles against the Windows SDK (mingw-w64) with our sdk/ headers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
addin_dirs=(addin __Utilities __Controls Utils email geo dialogs)
dirs=()
for d in "${addin_dirs[@]}"; do [ -d "$d" ] && dirs+=("$d"); done

status=0
# u"" and u'' literals, char16_t, std::u16string, the platform layer's own names and headers.
pattern='(^|[^A-Za-z0-9_%])u["'"'"']|char16_t|u16string|(^|[^A-Za-z0-9_])pal::|PAL_EXPORT|__PRETTY_FUNCTION__|DEFINE_UUIDOF|DECLARE_INTERFACE_IID|#[[:space:]]*include[[:space:]]*[<"]pal/'
if grep -rnE --include='*.h' --include='*.cpp' "$pattern" "${dirs[@]}"; then
  echo "check-sources: Linux-only vocabulary in the add-in (above); write W(\"\"), WCHAR, WString, Windows API" >&2
  status=1
fi

# Checks are written through the macros of __Utilities/ErrorInfo.h: no hand-built check errors, and no
# check macros of their own elsewhere.
if grep -rnE --include='*.h' --include='*.cpp' 'throw[[:space:]]+CErrorInfo[[:space:]]*\("' "${dirs[@]}"; then
  echo "check-sources: hand-built check errors (above); write them with the macros of __Utilities/ErrorInfo.h" >&2
  status=1
fi
if grep -rnE --include='*.h' --include='*.cpp' 'CErrorInfo::' "${dirs[@]}" | grep -v '^__Utilities/'; then
  echo "check-sources: CErrorInfo used by hand outside __Utilities/ (above); use the verbs of __Utilities/ErrorInfo.h" >&2
  status=1
fi
define='#[[:space:]]*define[[:space:]]+([A-Za-z0-9_]*(CHECK|VERIFY|FAIL)|.*CErrorInfo)'
if grep -rnE --include='*.h' --include='*.cpp' "$define" "${dirs[@]}" | grep -v '^__Utilities/ErrorInfo\.h:'; then
  echo "check-sources: check macros defined outside __Utilities/ErrorInfo.h (above); use the ones it defines" >&2
  status=1
fi

# The layer's insides are its own: the host, the benchmarks and the tests of everything else reach it
# through its public headers (pal/include), as a program reaches a system DLL.
if grep -rnE --include='*.h' --include='*.cpp' '#[[:space:]]*include[[:space:]]*"pal/src/' host bench tests |
   grep -Ev '^tests/(pal|http|registry|fuzz)/'; then
  echo "check-sources: the layer's own sources included from outside it (above); use its public headers" >&2
  status=1
fi

cxx=x86_64-w64-mingw32-g++-posix
if ! command -v "$cxx" >/dev/null; then
  echo "check-sources: $cxx not found (tools/install-deps.sh installs it)" >&2
  exit 1
fi
flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Werror -I"$root" -I"$root/sdk" -I"$root/sdk/win"
       -DUNICODE -D_UNICODE '-DW(s)=L##s')
mapfile -t sources < <(find "${dirs[@]}" -name '*.cpp' | sort)
failed=0
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -I{} sh -c '"$0" "$@" {} || echo "FAILED {}"' "$cxx" "${flags[@]}" \
  > "${TMPDIR:-/tmp}/check-sources.$$" 2>&1 || true
if grep -q '^FAILED ' "${TMPDIR:-/tmp}/check-sources.$$"; then
  cat "${TMPDIR:-/tmp}/check-sources.$$" >&2
  failed=1
fi
rm -f "${TMPDIR:-/tmp}/check-sources.$$"
if [ $failed -ne 0 ]; then
  echo "check-sources: add-in sources that do not compile against the Windows SDK (above)" >&2
  status=1
fi
[ $status -eq 0 ] && echo "check-sources: ${#sources[@]} add-in sources are Windows code"
exit $status
