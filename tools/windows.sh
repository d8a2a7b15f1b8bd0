#!/usr/bin/env bash
# Builds VantoraAddin.dll with mingw-w64 (build-windows/bin/VantoraAddin.dll) and checks it under Wine as
# Outlook's installer uses it: the system's registration tool registers it in a fresh Wine prefix, the
# add-in key and the class are there, a program does what Outlook does at start-up (tests/windows), and
# unregistering removes them. Then the add-in's unit tests built for Windows run there too.
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
keys=('Software\Classes\CLSID\{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}' 'Software\Classes\VantoraAddin.Connect'
      'Software\Classes\VantoraAddin.Connect.1' 'Software\Classes\TypeLib\{9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB}'
      'Software\Classes\Interface\{214F3170-C585-458D-B394-EA83ED803EA2}'
      'Software\Classes\Interface\{6ED1230D-65E6-436E-BA20-8390033AA4F7}'
      'Software\Microsoft\Office\Outlook\Addins\VantoraAddin.Connect')
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
wineserver -w
echo "windows: the add-in's unit tests passed under Wine"
