#!/usr/bin/env bash
# The main job: builds vantora and the add-in, registers the add-in in the prefix as Outlook's installer
# would, and shows the add-in's ribbon tab for the sample message (or the message files given), as text
# and as a picture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh" release
"$root/build/bin/vantora" register
if [ $# -eq 0 ]; then
  set -- "$root/samples/marketing-mail.eml"
fi
"$root/build/bin/vantora" show --png "$root/build/tab.png" "$@"
echo "main: the tab is drawn in build/tab.png (build/tab-2.png... for further messages)"
