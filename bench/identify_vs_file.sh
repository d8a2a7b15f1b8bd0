#!/usr/bin/env bash
# Times `vantora identify` against `file` (libmagic) on the same few thousand files, in one run, and
# reports files per second for both. The files are the signature fixtures, the shared corpus, and files
# found on this machine (documentation, icons, fonts, libraries, programs).
#
# Usage: bench/identify_vs_file.sh VANTORA [COUNT]      (COUNT defaults to 3000)
set -euo pipefail

VANTORA=${1:?path of the vantora program}
COUNT=${2:-3000}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export VANTORA_PREFIX="$WORK/prefix"
command -v file >/dev/null || { echo "the file command (libmagic) is needed: apt-get install file" >&2; exit 2; }

LIST="$WORK/files"
{
  find "$ROOT/tests/data/files" "$ROOT/../shared/corpus/files" -type f -print0 2>/dev/null
  find /usr/share/doc /usr/share/icons /usr/share/pixmaps /usr/share/wine /usr/share/fonts /usr/share/mime \
       /usr/lib/x86_64-linux-gnu /usr/bin -type f -readable -size -20M -print0 2>/dev/null
} | head -z -n "$COUNT" > "$LIST" || true  # head closes the pipe early
N=$(tr -cd '\0' < "$LIST" | wc -c)

now() { date +%s%N; }
# Both tools get the same arguments in the same batches of 500 files.
run() { xargs -0 -n 500 "$@" < "$LIST" > "$WORK/out" 2>/dev/null || true; }

# A first pass of each warms the page cache, so that neither pays for the disk.
run "$VANTORA" identify --; run file -b --
t0=$(now); run "$VANTORA" identify --; t1=$(now)
VLINES=$(grep -vc '^  ' "$WORK/out" || true)
t2=$(now); run file --; t3=$(now)
FLINES=$(wc -l < "$WORK/out")

rate() { awk -v n="$N" -v ns="$1" 'BEGIN { printf "%.0f", n / (ns / 1e9) }'; }
printf 'files: %d\n' "$N"
printf 'vantora identify: %8s files/s  (%d ms, %d lines)\n' "$(rate $((t1 - t0)))" $(((t1 - t0) / 1000000)) "$VLINES"
printf 'file (libmagic):  %8s files/s  (%d ms, %d lines)\n' "$(rate $((t3 - t2)))" $(((t3 - t2) / 1000000)) "$FLINES"
