#!/usr/bin/env bash
# The program's steady preview of the virtual TV card against the same picture from a bare
# gst-launch-1.0 pipeline, one after the other on one private X server (Xvfb):
# - CPU seconds per second of each, sampled from /proc/PID/stat after a settling time, so
#   start-up is left out, and their ratio; and the same for a pipeline that does the same work
#   as the program's preview (YUY2 picture with caption, conversion, tone);
# - the program's time from start to the first picture on screen (fresh configuration).
# Both draw a 640 x 480 picture: once the program shows its picture, its window is resized so
# that the video pane is 640 x 480, the size of the pipeline's window. Both use one GStreamer
# registry, made before either starts: a fresh configuration of the program is not a first
# run of GStreamer on the machine, whose plug-in scan would otherwise be counted.
#
#   bench/app/preview_cpu.sh [BIN_DIR]     (default build/bench/bin)
#
# SETTLE and SAMPLE (seconds) set the settling and the sampling time; /proc counts CPU time in
# hundredths of a second, so a longer sample resolves the small figures better. Nothing outside a
# temporary directory is touched: the program gets an empty HOME and XDG directories, and the
# machine's own capture devices and sound output stay hidden from it.
set -euo pipefail

BIN_DIR=${1:-build/bench/bin}
SETTLE=${SETTLE:-3}
SAMPLE=${SAMPLE:-20}
PROGRAM="$BIN_DIR/quilldeck"
PROBE="$BIN_DIR/first_picture"
for f in "$PROGRAM" "$PROBE"; do
    [ -x "$f" ] || { echo "preview_cpu: $f is missing (build with -DQD_BUILD_BENCH=ON -DQD_BUILD_APP=ON)" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "preview_cpu: Xvfb is missing" >&2; exit 2; }
for tool in gst-launch-1.0 gst-inspect-1.0 xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "preview_cpu: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "preview_cpu: no free X display" >&2; exit 2; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
[ -e "/tmp/.X11-unix/X${display#:}" ] || { echo "preview_cpu: Xvfb did not start" >&2; exit 2; }
export DISPLAY="$display"

# utime + stime of a process (all its threads), in clock ticks.
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
now_ns() { date +%s%N; }

# Samples a running process: prints its CPU seconds per second over SAMPLE seconds.
steady_cpu() {
    local pid=$1 hz t0 c0 t1 c1
    hz=$(getconf CLK_TCK)
    sleep "$SETTLE"
    kill -0 "$pid" 2>/dev/null || { echo "preview_cpu: process $pid ended early" >&2; return 1; }
    t0=$(now_ns); c0=$(cpu_ticks "$pid")
    sleep "$SAMPLE"
    t1=$(now_ns); c1=$(cpu_ticks "$pid")
    awk -v c="$((c1 - c0))" -v hz="$hz" -v ns="$((t1 - t0))" 'BEGIN { printf "%.4f\n", c / hz / (ns / 1e9) }'
}

stop() {
    kill -TERM "$1" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# Width x height of a window.
window_size() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w " " h }'; }

# Resizes the program's main window so that its largest child, the video pane, is W x H.
resize_pane() {
    local pid=$1 want_w=$2 want_h=$3 top="" area=0 id w h pane pane_area=0
    for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        read -r w h < <(window_size "$id")
        if [ $((w * h)) -gt "$area" ]; then top=$id; area=$((w * h)); fi
    done
    [ -n "$top" ] || return 1
    for id in $(xwininfo -children -id "$top" | awk '/^ +0x/ { print $1 }'); do
        read -r w h < <(window_size "$id")
        if [ $((w * h)) -gt "$pane_area" ]; then pane=$id; pane_area=$((w * h)); fi
    done
    [ -n "${pane:-}" ] || return 1
    read -r tw th < <(window_size "$top")
    read -r w h < <(window_size "$pane")
    xdotool windowsize "$top" $((tw - w + want_w)) $((th - h + want_h))
    sleep 0.5
    window_size "$pane"
}

# The registry is made with the environment the program gets: plug-ins that watch HOME or XDG
# paths (frei0r, LADSPA) would otherwise be scanned again when the program starts.
export GST_REGISTRY="$work/gst-registry.bin"
mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" gst-inspect-1.0 >/dev/null 2>&1

# The program, with a fresh configuration.
start=$(now_ns)
env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    QUILLDECK_HIDE_REAL_DEVICES=1 QT_QPA_PLATFORM=xcb "$PROGRAM" >"$work/program.log" 2>&1 &
program=$!
if ! first_picture=$("$PROBE" "$start" 15); then
    echo "preview_cpu: the program showed no picture within 15 s; its output:" >&2
    cat "$work/program.log" >&2
    stop "$program"
    exit 1
fi
pane_size=$(resize_pane "$program" 640 480) || { echo "preview_cpu: the program's window was not found" >&2; stop "$program"; exit 1; }
program_cpu=$(steady_cpu "$program")
stop "$program"

# The bare pipeline with the same picture.
gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte ! textoverlay ! \
    video/x-raw,width=640,height=480,framerate=30000/1001 ! videoconvert ! ximagesink \
    >"$work/pipeline.log" 2>&1 &
pipeline=$!
pipeline_cpu=$(steady_cpu "$pipeline")
stop "$pipeline"

# The same work as the program's preview done by one pipeline: the card's picture (colour bars
# moving, drawn in the X window's BGRx, with its caption) shown as the renderer does, and its tone
# into a sink that discards it. program / this = what the graph itself costs on top of the elements.
gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte horizontal-speed=4 ! \
    video/x-raw,format=BGRx,width=640,height=480,framerate=30000/1001 ! \
    textoverlay text="CH 1  91.250 MHz" font-desc="Sans Bold 28" valignment=top halignment=left ! \
    videoconvert chroma-mode=none dither=none ! ximagesink \
    audiotestsrc is-live=true wave=sine-table samplesperbuffer=4800 volume=0.4 ! \
    audio/x-raw,format=S16LE,rate=48000,channels=2 ! fakesink sync=true \
    >"$work/same_work.log" 2>&1 &
same_work=$!
same_work_cpu=$(steady_cpu "$same_work")
stop "$same_work"

echo "program start to first picture:   ${first_picture} s"
echo "program video pane:               ${pane_size/ /x}"
echo "program preview CPU:              ${program_cpu} s/s"
echo "gst-launch-1.0 pipeline CPU:      ${pipeline_cpu} s/s"
echo "same-work pipeline CPU:           ${same_work_cpu} s/s"
awk -v p="$program_cpu" -v g="$pipeline_cpu" 'BEGIN { printf "program / pipeline:               %.2f\n", (g > 0) ? p / g : 0 }'
awk -v p="$program_cpu" -v g="$same_work_cpu" 'BEGIN { printf "program / same-work pipeline:     %.2f\n", (g > 0) ? p / g : 0 }'
