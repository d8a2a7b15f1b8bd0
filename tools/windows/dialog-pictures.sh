#!/usr/bin/env bash
# Pictures of the add-in's header dialog and options dialog as Outlook's users see them: real Win32 dialogs of
# Wine's user32, comctl32 and riched20, opened from the tab by the Windows host (vantora.exe) under Xvfb and
# taken with ImageMagick's import; beside them the Linux host's --dialog-png pictures of the same dialogs.
#
#   tools/windows/dialog-pictures.sh OUTDIR [MESSAGE]
#
# MESSAGE is a corpus path (default eml/sa-nice-base64.eml). Writes OUTDIR/wine-header.png,
# wine-options.png, linux-header-1.png and linux-options-1.png. Needs both builds (tools/build.sh release,
# ninja -C build-windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
corpus="$(cd "$root/.." && pwd)/shared/corpus"
out=$1 message=${2:-eml/sa-nice-base64.eml}
bash "$root/tools/install-deps.sh" --pictures >/dev/null
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
cleanup() {
  exec 7>&- 2>/dev/null || true
  WINEPREFIX="$work/wine" wineserver -k 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$root/build/bin/vantora" snapshot -o "$work" "$corpus/$message" >/dev/null
snapshot="$(basename "$message").vsnap"
source "$root/tools/windows/twins.sh"
start_twins "$work"

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine regsvr32 /s "$root/build-windows/bin/VantoraAddin.dll"
# 1069 is the tab's "Message Header" button, 1081 "Validation Options". The dialog stays up 20 s: the
# picture is taken once the requests are done and the dialog has been drawn.
for pair in header:1069 options:1081; do
  name=${pair%%:*} press=${pair#*:}
  (cd "$work" && wine "$root/build-windows/bin/vantora.exe" show --wait 30 --press "$press" --dialog-seconds 20 \
    "$snapshot" > "$work/$name.txt" 2>&1) &
  shown=$!
  sleep 12
  import -display "$display" -window root "$out/wine-$name.png"
  wait "$shown" || echo "dialog-pictures: the Windows host's run for $name failed ($work/$name.txt)" >&2
done

VANTORA_PREFIX="$work/linux" "$root/build/bin/vantora" register >/dev/null
for pair in header:1069 options:1081; do
  name=${pair%%:*} press=${pair#*:}
  (cd "$work" && VANTORA_PREFIX="$work/linux" "$root/build/bin/vantora" show --wait 30 --press "$press" \
    --dialog show --dialog-png "$out/linux-$name" "$snapshot" >/dev/null)
done
echo "dialog-pictures: $out/wine-header.png, wine-options.png, linux-header-1.png, linux-options-1.png"
