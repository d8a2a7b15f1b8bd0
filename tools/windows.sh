#!/usr/bin/env bash
# Builds VantoraAddin.dll with mingw-w64 (build-windows/bin/VantoraAddin.dll) and checks it under Wine as
# Outlook's installer uses it: the system's registration tool registers it in a fresh Wine prefix, the
# add-in key and the class are there, a program does what Outlook does at start-up (tests/windows), and
# unregistering removes them.
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
wine regsvr32 /s /u "$dll" || fail "regsvr32 /u failed"
if wine reg query "$addin" >/dev/null 2>&1; then fail "the add-in key is left after unregistering"; fi
if wine reg query "$clsid" >/dev/null 2>&1; then fail "the class is left after unregistering"; fi
wineserver -w
echo "windows: registered and unregistered under Wine"
