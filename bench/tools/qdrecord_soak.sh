#!/usr/bin/env bash
# A long qdrecord run on the virtual TV card at 1280x720 through x264 at the ultrafast preset
# (the profile directory write_record_profiles makes): samples the recorder's resident memory
# once a minute and reports the frames it dropped, how much its memory grew from the first
# minute to the last, and how far apart the recording's picture and sound end (ffprobe).
#   bench/tools/qdrecord_soak.sh BIN_DIR [SECONDS [MUX_MODE]]
# SECONDS defaults to 1800 (thirty minutes); MUX_MODE 0 (the default) records through the
# platform's AVI multiplexer, 1 through the splitting multiplexer in numbered pieces, 2 through
# it into one OpenDML file.
# Runs with a fresh profile directory, home and registry of its own and the machine's devices
# hidden; the recording is written to a temporary directory and removed afterwards.
set -euo pipefail
bin_dir=$(cd "${1:?usage: qdrecord_soak.sh BIN_DIR [SECONDS]}" && pwd)
seconds=${2:-1800}
mux_mode=${3:-0}
work=$(mktemp -d /tmp/qd-soak-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/profiles" "$work/movies" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export QUILLDECK_HIDE_REAL_DEVICES=1
unset DBUS_SESSION_BUS_ADDRESS PULSE_SERVER

"$bin_dir/write_record_profiles" "$work/profiles" --mux-mode "$mux_mode"

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

# Where a stream's last packet ends, in seconds (AVI gives H.264 packets only a decoding time).
stream_end() {
    ffprobe -v error -select_streams "$2" -show_entries packet=pts_time,dts_time,duration_time -of csv=p=0 "$1" |
        awk -F, '{ t = $1 != "N/A" ? $1 : $2; if (t != "N/A" && t + $3 > end) end = t + $3 } END { printf "%.3f", end }'
}
for file in "$work"/movies/*.avi; do
    [ -e "$file" ] || continue
    video_end=$(stream_end "$file" v:0)
    audio_end=$(stream_end "$file" a:0)
    echo "$(basename "$file"): $(stat -c %s "$file") bytes, picture ends at $video_end s, sound at $audio_end s," \
         "apart by $(awk -v v="$video_end" -v a="$audio_end" 'BEGIN { printf "%.0f", (a - v) * 1000 }') ms"
done
exit "$status"
