#!/usr/bin/env bash
# The main road: the DLL under Wine driven by the Windows host (vantora.exe, built from the same host
# sources) over snapshots of corpus messages that the Linux store writes, with the same loopback twins of
# the geo-location services on both sides; each message's tab compared control by control with the Linux
# build's, and the DLL's error log with the Linux module's. A difference that Wine causes is listed with
# its reason in tools/windows/wine-differences.txt; any other fails the run.
#
#   tools/windows/main-road.sh DLL WORKDIR [MESSAGE...]
#
# MESSAGE: corpus paths (eml/x.eml); by default the selection in tools/windows/main-road-messages.txt.
# Needs build/bin (vantora, provider_twins, tab_compare) and build-windows/bin (vantora.exe, OLMAPI32.dll).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
corpus="$(cd "$root/.." && pwd)/shared/corpus"
dll=$1 road=$2
shift 2
fail() { echo "windows: $*" >&2; exit 1; }
rm -rf "$road"
mkdir -p "$road/snapshots"
export WINEPREFIX="$road/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

messages=()
if [ $# -gt 0 ]; then
  for m in "$@"; do messages+=("$corpus/$m"); done
else
  while IFS= read -r line; do
    path=${line%%  #*}
    path=${path%"${path##*[! ]}"}
    [[ -z "$path" || "$path" == \#* ]] && continue
    messages+=("$corpus/$path")
  done < "$root/tools/windows/main-road-messages.txt"
fi
"$root/build/bin/vantora" snapshot -o "$road/snapshots" "${messages[@]}" >/dev/null ||
  fail "the Linux store could not write every snapshot (above)"
snapshots=()
for m in "${messages[@]}"; do snapshots+=("$(basename "$m").vsnap"); done

# The twins serve until their standard input ends. On Linux every connection goes through the router that
# --connect-to starts (VANTORA_CONNECT_TO): the twins answer there and every other host is refused, so nothing
# leaves the machine. Wine never reads that variable; under it the links are not fetched (no HTML engine,
# see the differences file) and the services are the twins'.
trap 'exec 7>&- 2>/dev/null; wait "${twins:-}" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
source "$root/tools/windows/twins.sh"
start_twins "$road"

# The same settings on both sides (tools/windows/main-road-settings.reg): the Linux layer's registry files
# are in the registry editor's format, and Wine's regedit imports it.
settings="$root/tools/windows/main-road-settings.reg"
linux_prefix="$road/linux"
mkdir -p "$linux_prefix/registry"
cp "$settings" "$linux_prefix/registry/HKCU.reg"
VANTORA_PREFIX="$linux_prefix" "$root/build/bin/vantora" register >/dev/null
(cd "$road/snapshots" && VANTORA_PREFIX="$linux_prefix" \
  "$root/build/bin/vantora" show --json --all --wait 60 "${snapshots[@]}") > "$road/linux.json" 2> "$road/linux.err" ||
  { cat "$road/linux.err" >&2; fail "the Linux run of the main road failed"; }

wine regsvr32 /s "$dll" || fail "regsvr32 failed in the main road's prefix"
wine regedit /s "$(winepath -w "$settings")" || fail "the main road's settings could not be imported under Wine"
wine reg query 'HKCU\Software\Microsoft\Office\Outlook\Addins\VantoraAddin.Connect' /v xsBlockEmailsList \
  2>/dev/null | grep -qi '01015200550042005200' || fail "the main road's settings are not in Wine's registry"
(cd "$road/snapshots" && wine "$root/build-windows/bin/vantora.exe" show --json --all --wait 60 "${snapshots[@]}") \
  > "$road/wine.json" 2> "$road/wine.err" || { cat "$road/wine.err" >&2; fail "the Windows host's run failed under Wine"; }
wineserver -w

linux_log="$linux_prefix/AppData/Roaming/Outlook/VantoraAddin0.log"
wine_log="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Outlook/VantoraAddin0.log"
[ -f "$linux_log" ] || linux_log=/dev/null
[ -f "$wine_log" ] || wine_log=/dev/null
"$root/build/bin/tab_compare" --differences "$root/tools/windows/wine-differences.txt" \
  "$road/linux.json" "$road/wine.json" --log-linux "$linux_log" --log-wine "$wine_log" ||
  fail "the Windows DLL under Wine and the Linux build differ on the main road (above)"
echo "windows: the main road agrees under Wine and on Linux (${#snapshots[@]} messages)"
