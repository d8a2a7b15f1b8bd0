# Sourced by the Windows scripts (with $root set): start_twins DIR starts the provider twins with the
# network router (--connect-to), waits until they listen and exports their variables. They serve until
# their standard input, the script's descriptor 7, is closed (exec 7>&-); $twins is their process.
start_twins() {
  local dir=$1
  mkfifo "$dir/twins.stdin"
  "$root/build/bin/provider_twins" --env-file "$dir/twins.env" --connect-to < "$dir/twins.stdin" &
  twins=$!
  exec 7> "$dir/twins.stdin"
  for _ in $(seq 100); do [ -s "$dir/twins.env" ] && break; sleep 0.1; done
  [ -s "$dir/twins.env" ] || { echo "windows: the provider twins did not start" >&2; exit 1; }
  set -a
  # shellcheck disable=SC1091
  source "$dir/twins.env"
  set +a
}
