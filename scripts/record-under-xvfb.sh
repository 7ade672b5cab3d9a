#!/usr/bin/env bash
# Records with the program on a private X server as a user would: starts it on the virtual TV
# card in a temporary home, shows the information bar, presses F9, lets it record, presses
# Escape, leaves through SIGTERM, then checks the recording log and the AVI it wrote (ffprobe).
# Screenshots land in OUT_DIR. Needs xvfb, xdotool, imagemagick (import) and ffmpeg (ffprobe).
#   scripts/record-under-xvfb.sh BUILD_BIN_DIR OUT_DIR [SECONDS]
set -euo pipefail
bin="$(cd "${1:?usage: record-under-xvfb.sh BUILD_BIN_DIR OUT_DIR [SECONDS]}" && pwd)"
out="$(mkdir -p "${2:?output directory}" && cd "$2" && pwd)"
seconds="${3:-6}"

work="$(mktemp -d)"
xvfb_pid=""
program_pid=""
cleanup() {
    [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
export QUILLDECK_HIDE_REAL_DEVICES=1
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$work/movies" "$work/cwd"
chmod 700 "$XDG_RUNTIME_DIR"

# A display number of its own: Xvfb picks a free one and tells it through a pipe.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
echo "display $DISPLAY"

"$(dirname "$0")/register-modules.sh" "$bin"
profiles="$XDG_CONFIG_HOME/quilldeck"
mkdir -p "$profiles"
"$bin/qdprofiles" set-option "$profiles" WriteLog 1
"$bin/qdprofiles" set-option "$profiles" MovieDir "$work/movies"
"$bin/qdprofiles" set-option "$profiles" MovieFile take

cd "$work/cwd"  # the log's relative name ("reclog.txt") lies here
QT_QPA_PLATFORM=xcb "$bin/quilldeck" &
program_pid=$!
window="$(xdotool search --sync --onlyvisible --name '^Quilldeck$' | head -n1)"
sleep 3
xdotool windowfocus --sync "$window"
xdotool key alt+v i  # 表示 → ｲﾝﾌｫﾒｰｼｮﾝ ﾊﾞｰ
sleep 1
import -window root "$out/1-preview.png"

xdotool windowfocus --sync "$window"
xdotool key F9
started=$(date +%s.%N)
sleep 2
import -window root "$out/2-recording.png"
sleep $((seconds - 2))
import -window root "$out/3-recording-later.png"
xdotool windowfocus --sync "$window"
xdotool key Escape
stopped=$(date +%s.%N)
sleep 2
import -window root "$out/4-preview-again.png"

kill -TERM "$program_pid"
wait "$program_pid" || true
program_pid=""

cp "$work/cwd/reclog.txt" "$out/reclog.txt"
movie="$(ls "$work"/movies/*.avi | head -n1)"
cp "$movie" "$out/"
duration="$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$movie")"
frames="$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$movie")"
wall="$(echo "$stopped - $started" | bc)"
echo "log:"; cat -A "$out/reclog.txt"
echo "movie $movie: ffprobe duration $duration s, $frames video frames; F9 to Escape $wall s"
captured="$(grep -a -o 'Captured : [0-9]*' "$out/reclog.txt" | awk '{print $3}')"
grep -q "StartCapture" "$out/reclog.txt" && grep -q "StopCapture" "$out/reclog.txt"
echo "log counts captured $captured, file video frames $frames"
[[ "$captured" == "$frames" ]] || { echo "the log's count differs from the file's frames"; exit 1; }
awk -v d="$duration" -v w="$wall" 'BEGIN { e = d - w; if (e < 0) e = -e; exit !(e <= 0.5) }' \
    || { echo "the file's length differs from the recorded time by more than 0.5 s"; exit 1; }
echo "ok"
