#!/usr/bin/env bash
# Floods the debug console and, for comparison, the terminal program cutecom
# (Debian package, installed here if missing) through a pseudo-terminal for the
# same time, hex display on in both, under a private Xvfb display, and prints
# their figures one after the other.
# Usage: bench/debug/flood_vs_cutecom.sh [build-dir] [seconds]   (default: build/default 10)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/default}
seconds=${2:-10}
bench=$build/bench/debug/bench_flood_bench

if [ ! -x "$bench" ]; then
  cmake --build "$build" --target bench_flood_bench
fi

missing=()
command -v cutecom >/dev/null || missing+=(cutecom)
command -v xdotool >/dev/null || missing+=(xdotool)
command -v Xvfb >/dev/null || missing+=(xvfb)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

work=$(mktemp -d)
xvfb_pid=""
cutecom_pid=""
cleanup() {
  [ -n "$cutecom_pid" ] && kill "$cutecom_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

echo "=== QX310-TOOLS debug console, ${seconds} s flood"
QT_QPA_PLATFORM=xcb "$bench" --seconds "$seconds" 2>/dev/null

echo
echo "=== cutecom, ${seconds} s flood"
coproc FLOOD { "$bench" --external --seconds "$seconds" 2>/dev/null; }
flood_pid=$FLOOD_PID
read -r word pty <&"${FLOOD[0]}"
[ "$word" = PTY ] || { echo "no pseudo-terminal from the flood program"; exit 1; }

# A private settings folder: one session on the flood's port, 115200 8N1.
mkdir -p "$work/CuteCom"
cat >"$work/CuteCom/CuteCom5.conf" <<CONF
[sessions]
1\\BaudRate=115200
1\\DataBits=8
1\\Device=$pty
1\\FlowControl=0
1\\OpenMode=3
1\\Parity=0
1\\StopBits=1
1\\autoReconnect=false
1\\name=Default
1\\showCtrlCharacters=false
1\\showTimestamp=false
size=1
CONF
XDG_CONFIG_HOME="$work" HOME="$work" cutecom >/dev/null 2>&1 &
cutecom_pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$cutecom_pid" --name CuteCom | head -1)
[ -n "$win" ] || { echo "cutecom did not open its window"; exit 1; }
# Hex output on (Alt+X), then open the port (Alt+O).
xdotool windowfocus --sync "$win"
xdotool key alt+x
sleep 0.3
xdotool key alt+o
sleep 1
echo "PID $cutecom_pid" >&"${FLOOD[1]}"
cat <&"${FLOOD[0]}"
wait "$flood_pid" || true
