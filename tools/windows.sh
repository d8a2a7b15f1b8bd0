#!/usr/bin/env bash
# Builds VantoraAddin.dll with mingw-w64 (build-windows/bin/VantoraAddin.dll) and checks it under Wine as
# Outlook's installer uses it: the system's registration tool registers it in a fresh Wine prefix, the
# add-in key and the class are there, a program does what Outlook does at start-up (tests/windows), and
# unregistering removes them. The installer package is built from that registration and installed, upgraded
# and removed per machine and per user (tools/windows/msi-checks.sh). Then the add-in's unit tests built for
# Windows run there too, and the platform layer's conformance tables against Wine's DLLs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
cd "$root"
cmake --preset windows >/dev/null
ninja -C build-windows -j"$(nproc)"
dll="$root/build-windows/bin/VantoraAddin.dll"
echo "windows: built $dll"

scratch=$(mktemp -d)
trap 'WINEPREFIX="$scratch/wine" wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
export WINEPREFIX="$scratch/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
addin='HKLM\Software\Microsoft\Office\Outlook\Addins\VantoraAddin.Connect'
clsid='HKCR\CLSID\{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}\InprocServer32'
fail() { echo "windows: $*" >&2; exit 1; }

wine regsvr32 /s "$dll" || fail "regsvr32 failed"
wine reg query "$addin" /v LoadBehavior 2>/dev/null | grep -q 'REG_DWORD *0x3' || fail "no add-in key after registering"
wine reg query "$clsid" 2>/dev/null | grep -qi 'VantoraAddin.dll' || fail "no InprocServer32 naming the DLL"
wine "$root/build-windows/bin/outlook_startup.exe" || fail "Outlook's start-up steps failed (above)"

# What regsvr32 wrote is what vantora register writes on Linux: the same keys and values, the module's path
# and folder aside. One difference is Wine's: it registers the type library's flags as they are in the
# library (widl sets the disk-image flag, 8), where Windows registers 0, as the Linux registration does.
source "$root/tools/windows/registration-keys.sh"
flatten="$root/tools/windows/flatten-reg.awk"
: > "$scratch/wine.flat"
for k in "${keys[@]}"; do
  wine reg export "HKEY_LOCAL_MACHINE\\$k" "$scratch/export.reg" /y >/dev/null 2>&1 || fail "regsvr32 wrote no $k"
  iconv -f UTF-16 -t UTF-8 "$scratch/export.reg" | awk -f "$flatten" >> "$scratch/wine.flat"
done
sed -i 's/\\1.0\\FLAGS]|@="8"$/\\1.0\\FLAGS]|@="0"/' "$scratch/wine.flat"
[ -x "$root/build/bin/vantora" ] || bash "$root/tools/build.sh" release
VANTORA_PREFIX="$scratch/linux" "$root/build/bin/vantora" register >/dev/null
: > "$scratch/linux.flat"
for k in "${keys[@]}"; do
  KEY="[HKEY_LOCAL_MACHINE\\$k" awk 'BEGIN { key = ENVIRON["KEY"] }
    /^\[/ { keep = index($0, key "]") == 1 || index($0, key "\\") == 1 } keep' "$scratch/linux/registry/HKLM.reg" |
    awk -f "$flatten" >> "$scratch/linux.flat"
done
sort -o "$scratch/wine.flat" "$scratch/wine.flat"
sort -o "$scratch/linux.flat" "$scratch/linux.flat"
diff "$scratch/wine.flat" "$scratch/linux.flat" || fail "regsvr32 under Wine (<) and vantora register (>) differ"
echo "windows: regsvr32 under Wine wrote what vantora register writes ($(wc -l < "$scratch/linux.flat") keys and values)"
wine regsvr32 /s /u "$dll" || fail "regsvr32 /u failed"
if wine reg query "$addin" >/dev/null 2>&1; then fail "the add-in key is left after unregistering"; fi
if wine reg query "$clsid" >/dev/null 2>&1; then fail "the class is left after unregistering"; fi
echo "windows: registered and unregistered under Wine"

# The same registration per user (DllInstall "user", as regsvr32 /i:user /n runs it): the classes under HKCU,
# the add-in key under HKLM as the module always writes it. A per-user package writes all of it under HKCU,
# where Outlook reads add-in keys too. Then the package, built and installed both ways in fresh prefixes.
wine regsvr32 /s /i:user /n "$dll" || fail "regsvr32 /i:user /n failed"
for k in "${keys[@]}"; do
  hive=HKEY_CURRENT_USER
  [[ "$k" == 'Software\Microsoft\Office\'* ]] && hive=HKEY_LOCAL_MACHINE
  wine reg export "$hive\\$k" "$scratch/export.reg" /y >/dev/null 2>&1 || fail "regsvr32 /i:user /n wrote no $k"
  iconv -f UTF-16 -t UTF-8 "$scratch/export.reg" | sed 's/^\[HKEY_CURRENT_USER\\/[HKEY_LOCAL_MACHINE\\/' |
    awk -f "$flatten"
done | sort > "$scratch/user.flat"
sed -i 's/\\1.0\\FLAGS]|@="8"$/\\1.0\\FLAGS]|@="0"/' "$scratch/user.flat"
wine regsvr32 /s /u /i:user /n "$dll" || fail "regsvr32 /u /i:user /n failed"
bash "$root/tools/windows/msi-checks.sh" "$root/build-windows/bin" "$scratch/wine.flat" "$scratch/user.flat"

# The add-in's unit tests built for Windows (cmake/WindowsTests.cmake), in the same fresh prefix; they are
# given the source and corpus folders as Windows paths.
# The tests of the process-wide settings record run in a process each, as every test does under ctest.
corpus="$(cd "$root/.." && pwd)/shared/corpus"
tests=("$root/build-windows/bin/addin_tests.exe" --source-dir="$(winepath -w "$root")"
       --corpus-dir="$(winepath -w "$corpus")")
alone=(SettingsRecord.TheInstanceReadsTheRegistryOnce SettingsRecord.AFailedFirstReadIsThrownAndTriedAgain)
wine "${tests[@]}" --gtest_filter="-$(IFS=:; echo "${alone[*]}")" || fail "the add-in's unit tests failed under Wine (above)"
for t in "${alone[@]}"; do
  wine "${tests[@]}" --gtest_filter="$t" || fail "$t failed under Wine (above)"
done
echo "windows: the add-in's unit tests passed under Wine"

# The platform layer's conformance tables (cmake/WindowsPalTests.cmake) against Wine's own DLLs: the answers
# the layer gives on Linux are Windows' answers. A case Wine answers otherwise skips with a reason naming Wine.
wine "$root/build-windows/bin/pal_tests.exe" --source-dir="$(winepath -w "$root")" 2>&1 | tee "$scratch/pal.log" ||
  fail "the platform layer's conformance tables failed under Wine (above)"
wineserver -w
ran=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$scratch/pal.log")
skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:/\1/p' "$scratch/pal.log")
echo "windows: the layer's conformance tables passed under Wine (${ran:-0} passed, ${skipped:-0} skipped for Wine)"

# The main road under Wine, compared message by message with the Linux build (tools/windows/main-road.sh).
bash "$root/tools/windows/main-road.sh" "$dll" "$scratch/road"
