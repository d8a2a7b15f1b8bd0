#!/usr/bin/env bash
# Builds the add-in's package and checks under Wine that it installs as Windows Installer promises:
#   tools/windows/msi-checks.sh BIN_DIR MACHINE_KEYS USER_KEYS
# MACHINE_KEYS and USER_KEYS are what regsvr32 wrote (flattened, sorted) for a per-machine registration and
# for a per-user one (/i:user /n); a package installed per machine must write the first, per user the
# second, the module's path and folder aside. Each install form runs in a fresh Wine prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=$1 machineKeys=$2 userKeys=$3
fail() { echo "msi: $*" >&2; exit 1; }
scratch=$(mktemp -d)
cleanup() {
  for p in "$scratch"/prefix-*; do [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

msi=$(bash "$here/package.sh" "$bin" "$machineKeys" "$root/build-windows/package")
version=$(basename "$msi" .msi); version=${version#VantoraAddin-}
IFS=. read -r major minor patch _ <<< "$version"
[ "$major.$minor.$patch" != 0.0.0 ] || fail "version $version leaves no older one to test against"
older=$(bash "$here/package.sh" "$bin" "$machineKeys" "$scratch/older" "0.0.0.1")
newer=$(bash "$here/package.sh" "$bin" "$machineKeys" "$scratch/newer" "$major.$minor.$((patch + 1)).0")
product() { msiinfo export "$1" Property | awk -F'\t' '$1 == "ProductCode" { print $2 }' | tr -d '\r'; }
files=$(msiinfo export "$msi" File | tail -n +4 | wc -l)
echo "msi: built $msi ($(stat -c %s "$msi") bytes, $files files):"
msiinfo export "$msi" File | tail -n +4 | awk -F'\t' '{ n = $3; sub(/^[^|]*\|/, "", n); printf "msi:   %9d  %s\n", $4, n }' |
  sort -k2 | awk 'NR <= 8 || /GeoCountries|Help|VantoraAddin|copyright|OpenLayers.js/' | sort -u -k2
echo "msi:   (openlayers/ holds $(find "$bin/openlayers" -type f | wc -l) of them)"

source "$here/registration-keys.sh"
# The keys under ROOT (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER), flattened as the registration's, the
# install folder (as a .reg file writes it) made "<folder>"; none at all gives an empty file.
export_keys() {
  local rootKey=$1 folder=$2 k
  for k in "${keys[@]}"; do
    if wine reg export "$rootKey\\$k" "$scratch/export.reg" /y >/dev/null 2>&1; then
      iconv -f UTF-16 -t UTF-8 "$scratch/export.reg" | sed "s/^\[$rootKey\\\\/[HKEY_LOCAL_MACHINE\\\\/" |
        FOLDER="$folder" awk '{ f = "\"" ENVIRON["FOLDER"] "\""
          while (ENVIRON["FOLDER"] != "" && (i = index($0, f)) > 0)
            $0 = substr($0, 1, i - 1) "\"<folder>\"" substr($0, i + length(f)) } 1' | awk -f "$here/flatten-reg.awk"
    fi
  done | sort
}
expect_keys() {
  local rootKey=$1 folder=$2 wanted=$3 what=$4
  export_keys "$rootKey" "$folder" > "$scratch/installed.flat"
  diff "$scratch/installed.flat" "$wanted" > "$scratch/keys.diff" || { cat "$scratch/keys.diff" >&2; fail "$what"; }
}
expect_no_keys() {
  export_keys "$1" "" > "$scratch/left.flat"
  [ ! -s "$scratch/left.flat" ] || { head "$scratch/left.flat" >&2; fail "$2"; }
}
expect_files() {
  local dir=$1 what=$2 f
  for f in VantoraAddin.dll GeoCountries.dat GeoCountries-LICENCE.txt Help.pdf openlayers/OpenLayers.js \
           openlayers/copyright; do
    [ -f "$dir/$f" ] || fail "$what: $f is not installed"
  done
  cmp -s "$dir/VantoraAddin.dll" "$bin/VantoraAddin.dll" || fail "$what: the installed DLL is not the built one"
  [ "$(find "$dir" -type f | wc -l)" -eq "$files" ] || fail "$what: $(find "$dir" -type f | wc -l) files, not $files"
}
installed() { wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" >/dev/null 2>&1 ||
              wine reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" >/dev/null 2>&1; }
startup() { wine "$root/build-windows/bin/outlook_startup.exe" > "$scratch/startup.txt" 2>&1 ||
            { cat "$scratch/startup.txt" >&2; fail "$1: Outlook's start-up steps failed (above)"; }; }

# Per machine: what regsvr32 writes, in Program Files.
export WINEPREFIX="$scratch/prefix-machine"
wine msiexec /i "$msi" /qn || fail "the per-machine install failed"
dir=$(winepath -u 'C:\Program Files\Vantora')
expect_files "$dir" "per machine"
expect_keys HKEY_LOCAL_MACHINE 'C:\\Program Files\\Vantora\\' "$machineKeys" \
  "the per-machine install (<) and regsvr32 (>) wrote different keys"
echo "msi: per machine, the package wrote what regsvr32 writes ($(wc -l < "$machineKeys") keys and values)"
startup "per machine"
# The same package again changes nothing; a newer one replaces it; an older one is refused.
wine msiexec /i "$msi" /qn || fail "installing the same package again failed"
installed "$(product "$msi")" || fail "the product is gone after installing it again"
expect_files "$dir" "installed again"
wine msiexec /i "$newer" /qn || fail "the newer package did not install over the older"
installed "$(product "$msi")" && fail "the older version is still installed beside the newer"
installed "$(product "$newer")" || fail "the newer version is not registered as installed"
expect_files "$dir" "upgraded"
expect_keys HKEY_LOCAL_MACHINE 'C:\\Program Files\\Vantora\\' "$machineKeys" "the upgrade changed the keys"
if wine msiexec /i "$older" /qn; then fail "an older version installed over a newer one"; fi
installed "$(product "$newer")" || fail "refusing the older version removed the newer"
echo "msi: the same version again changes nothing, a newer one replaces it, an older one is refused"
wine msiexec /x "$newer" /qn || fail "the per-machine uninstall failed"
[ ! -e "$dir" ] || { find "$dir" >&2; fail "the uninstall left files"; }
expect_no_keys HKEY_LOCAL_MACHINE "the per-machine uninstall left keys"
installed "$(product "$newer")" && fail "the product is still registered after the uninstall"
wineserver -w
echo "msi: per machine, the uninstall left no file and no key"

# Per user: what regsvr32 /i:user /n writes, in the user's programs folder, nothing of the machine's.
export WINEPREFIX="$scratch/prefix-user"
wine msiexec /i "$msi" /qn ALLUSERS=2 MSIINSTALLPERUSER=1 || fail "the per-user install failed"
userdir=$(wine cmd /c echo '%LOCALAPPDATA%' 2>/dev/null | tr -d '\r')'\Programs\Vantora'
dir=$(winepath -u "$userdir")
expect_files "$dir" "per user"
expect_keys HKEY_CURRENT_USER "$(printf '%s\\' "$userdir" | sed 's/\\/\\\\/g')" "$userKeys" \
  "the per-user install (<) and regsvr32 /i:user /n (>) wrote different keys"
expect_no_keys HKEY_LOCAL_MACHINE "the per-user install wrote keys of the machine"
[ ! -e "$(winepath -u 'C:\Program Files\Vantora')" ] || fail "the per-user install wrote into Program Files"
echo "msi: per user, the package wrote what regsvr32 /i:user /n writes ($(wc -l < "$userKeys") keys and values)"
startup "per user"
wine msiexec /x "$msi" /qn || fail "the per-user uninstall failed"
[ ! -e "$dir" ] || { find "$dir" >&2; fail "the per-user uninstall left files"; }
expect_no_keys HKEY_CURRENT_USER "the per-user uninstall left keys"
wineserver -w
echo "msi: per user, the uninstall left no file and no key"
