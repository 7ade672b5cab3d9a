#!/usr/bin/env bash
# The program's steady preview of the virtual TV card against the same picture from a bare
# gst-launch-1.0 pipeline, one after the other on one private X server (Xvfb):
# - CPU seconds per second of each, sampled from /proc/PID/stat after a settling time, so
#   start-up is left out, and their ratio;
# - the program's time from start to the first picture on screen (fresh configuration).
#
#   bench/app/preview_cpu.sh [BIN_DIR]     (default build/bench/bin)
#
# SETTLE and SAMPLE (seconds) set the settling and the sampling time. Nothing outside a
# temporary directory is touched: the program gets an empty HOME and XDG directories, and the
# machine's own capture devices and sound output stay hidden from it.
set -euo pipefail

BIN_DIR=${1:-build/bench/bin}
SETTLE=${SETTLE:-3}
SAMPLE=${SAMPLE:-10}
PROGRAM="$BIN_DIR/quilldeck"
PROBE="$BIN_DIR/first_picture"
for f in "$PROGRAM" "$PROBE"; do
    [ -x "$f" ] || { echo "preview_cpu: $f is missing (build with -DQD_BUILD_BENCH=ON -DQD_BUILD_APP=ON)" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "preview_cpu: Xvfb is missing" >&2; exit 2; }
command -v gst-launch-1.0 >/dev/null || { echo "preview_cpu: gst-launch-1.0 is missing" >&2; exit 2; }

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

# The program, with a fresh configuration.
mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
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
program_cpu=$(steady_cpu "$program")
stop "$program"

# The bare pipeline with the same picture.
gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte ! textoverlay ! \
    video/x-raw,width=640,height=480,framerate=30000/1001 ! videoconvert ! ximagesink \
    >"$work/pipeline.log" 2>&1 &
pipeline=$!
pipeline_cpu=$(steady_cpu "$pipeline")
stop "$pipeline"

echo "program start to first picture:   ${first_picture} s"
echo "program preview CPU:              ${program_cpu} s/s"
echo "gst-launch-1.0 pipeline CPU:      ${pipeline_cpu} s/s"
awk -v p="$program_cpu" -v g="$pipeline_cpu" 'BEGIN { printf "program / pipeline:               %.2f\n", (g > 0) ? p / g : 0 }'
