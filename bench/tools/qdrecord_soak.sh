#!/usr/bin/env bash
# A long qdrecord run on the virtual TV card through x264 at the ultrafast preset (the profile
# directory write_record_profiles makes): samples the recorder's resident memory once a
# minute and reports the frames it dropped and how much its memory grew from the first minute
# to the last.
#   bench/tools/qdrecord_soak.sh BIN_DIR [SECONDS]     (default 1800: thirty minutes)
# Runs with a fresh profile directory, home and registry of its own and the machine's devices
# hidden; the recording is written to a temporary directory and removed afterwards.
set -euo pipefail
bin_dir=$(cd "${1:?usage: qdrecord_soak.sh BIN_DIR [SECONDS]}" && pwd)
seconds=${2:-1800}
work=$(mktemp -d /tmp/qd-soak-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/profiles" "$work/movies" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export QUILLDECK_HIDE_REAL_DEVICES=1
unset DBUS_SESSION_BUS_ADDRESS PULSE_SERVER

"$bin_dir/write_record_profiles" "$work/profiles"

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }

cd "$work/movies"
"$bin_dir/qdrecord" --profiles "$work/profiles" --seconds "$seconds" >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
first=""
last=""
minute=0
echo "minute rss_kib"
while kill -0 "$pid" 2>/dev/null; do
    sleep 60 &
    wait $! || true
    kill -0 "$pid" 2>/dev/null || break
    minute=$((minute + 1))
    last=$(rss_kib "$pid")
    [ -z "$first" ] && first=$last
    echo "$minute $last"
done
status=0
wait "$pid" || status=$?
cat "$work/out.txt"
[ -s "$work/err.txt" ] && { echo "stderr:"; cat "$work/err.txt"; }
echo "exit status: $status"
if [ -n "$first" ] && [ -n "$last" ]; then
    echo "rss growth minute 1 -> $minute: $(( (last - first) / 1024 )) MiB ($((last - first)) KiB)"
fi
exit "$status"
