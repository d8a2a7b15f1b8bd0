#!/usr/bin/env bash
# Builds the add-in's Windows Installer package with wixl from res/VantoraAddin.wxs:
#   tools/windows/package.sh BIN_DIR REGISTRATION OUTPUT_DIR [VERSION]
# BIN_DIR holds the DLL and what is installed beside it (GeoCountries.dat, Help.pdf, openlayers/);
# REGISTRATION is what the system's registration tool wrote for the DLL, flattened (flatten-reg.awk); the
# version is the DLL's own unless VERSION is given (the upgrade checks build an older and a newer one).
# Prints the package's path.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -ge 3 ] || { echo "usage: package.sh BIN_DIR REGISTRATION OUTPUT_DIR [VERSION]" >&2; exit 2; }
bin=$(cd "$1" && pwd)
registration=$2
out=$3
version=${4:-}
fail() { echo "package: $*" >&2; exit 1; }
for f in VantoraAddin.dll GeoCountries.dat Help.pdf openlayers/OpenLayers.js openlayers/copyright; do
  [ -f "$bin/$f" ] || fail "$bin/$f is missing"
done

# The file version of the DLL's VERSIONINFO: the fixed part follows its signature 0xFEEF04BD.
if [ -z "$version" ]; then
  at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$bin/VantoraAddin.dll" | head -1 | cut -d: -f1)
  [ -n "$at" ] || fail "the DLL has no VERSIONINFO"
  read -r minor major tweak patch < <(od -An -tu2 -j $((at + 8)) -N8 "$bin/VantoraAddin.dll")
  version="$major.$minor.$patch.$tweak"
fi
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+(\.[0-9]+)?$ ]] || fail "not a package version: $version"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$bin" && find openlayers -type f | LC_ALL=C sort) |
  awk -v tree="$work/map-files.wxi" -v refs="$work/map-components.wxi" -v bin="$(realpath --relative-to="$work" "$bin")" \
    -f "$here/map-files.awk"
awk -f "$here/registry-table.awk" "$registration" > "$work/Registry.idt"

mkdir -p "$out"
msi="$(cd "$out" && pwd)/VantoraAddin-$version.msi"
rm -f "$msi"
# wixl takes file sources relative to where it runs.
(cd "$work" && wixl -a x64 -o "$msi" -D Version="$version" -D BinDir="$(realpath --relative-to=. "$bin")" \
  -D SourceDir="$(realpath --relative-to=. "$root")" -D MapFiles=map-files.wxi \
  -D MapComponents=map-components.wxi "$root/res/VantoraAddin.wxs")
# The source has no registry rows, so wixl neither makes the table nor schedules the actions that write and
# remove its rows: both are added here, at the standard actions' usual places.
msibuild "$msi" -i "$work/Registry.idt"
msiinfo export "$msi" InstallExecuteSequence | tr -d '\r' > "$work/InstallExecuteSequence.idt"
grep -q '^WriteRegistryValues' "$work/InstallExecuteSequence.idt" ||
  printf 'RemoveRegistryValues\t\t2600\nWriteRegistryValues\t\t5000\n' >> "$work/InstallExecuteSequence.idt"
msibuild "$msi" -i "$work/InstallExecuteSequence.idt"
echo "$msi"
