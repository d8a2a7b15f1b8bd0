#!/usr/bin/env bash
# vantora show over the whole shared corpus (every .eml and .msg) in one process with the real add-in:
# wall time, messages per second and the resident high-water mark, which shows that memory stays bounded
# as one message follows another. No request leaves the machine: every host name and connection goes to a
# closed loopback port, so the location requests and link fetches of the default providers end failed.
#
# Usage: bench/show_corpus.sh VANTORA
set -euo pipefail

VANTORA=${1:?path of the vantora program}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export VANTORA_PREFIX="$WORK/prefix"
export VANTORA_CONNECT_TO=127.0.0.1:9
"$VANTORA" register > /dev/null

mapfile -d '' FILES < <(find "$ROOT/../shared/corpus/eml" "$ROOT/../shared/corpus/msg" -type f \
                          \( -name '*.eml' -o -name '*.msg' \) -print0 | sort -z)
start=$(date +%s%N)
# The resident high-water mark comes from the kernel's accounting of the finished child.
status=0
python3 - "$VANTORA" "${FILES[@]}" > "$WORK/rss" <<'PY' || status=$?
import resource, subprocess, sys
with open("/dev/null", "w") as null:
    rc = subprocess.call([sys.argv[1], "show", "--wait", "60"] + sys.argv[2:], stdout=null, stderr=null)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024, rc)
PY
end=$(date +%s%N)
read -r rss rc < "$WORK/rss"
ms=$(( (end - start) / 1000000 ))
echo "vantora show: ${#FILES[@]} messages in ${ms} ms ($(( ${#FILES[@]} * 1000 / (ms > 0 ? ms : 1) )) per second)," \
     "resident peak ${rss} MiB, exit status ${rc}"
exit "$status"
