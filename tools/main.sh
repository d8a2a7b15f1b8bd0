#!/usr/bin/env bash
# The main job: builds vantora and the add-in, registers the add-in in the prefix as Outlook's installer
# would, and shows what Outlook would find and load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh" release
"$root/build/bin/vantora" register
"$root/build/bin/vantora" addins "$@"
