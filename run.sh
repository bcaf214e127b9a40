#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo quote service (unless
# something already answers on its port) and opens the Tickerloom window.
# Without a display the window runs on a virtual one (Xvfb).
# Closing the window, Ctrl+C or a TERM stops the window first, then the service
# and the virtual display.
set -euo pipefail
cd "$(dirname "$0")"

groups=(build)
[ -z "${DISPLAY:-}" ] && groups+=(display)
scripts/ensure-packages.sh "${groups[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tickerloom tickerloom-service

port=8425
app='' service='' xvfb=''
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tickerloom-run.XXXXXX")

stop() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  stop "$app"
  stop "$service"
  stop "$xvfb"
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Qt wants a private runtime folder; a root shell without a login session has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$scratch/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

# The service and Xvfb run in sessions of their own: a Ctrl+C at the terminal
# reaches only this script (and the window, which ignores it as a background
# child), and the cleanup above stops them in order.
if answers; then
  echo "A quote service already answers on port $port; using it."
else
  setsid build/tickerloom-service --port "$port" &
  service=$!
  for _ in $(seq 50); do answers && break; sleep 0.1; done
  answers || { echo "The demo quote service did not start." >&2; exit 1; }
fi

# A first run shows a small sample list; after that the list is the user's own.
[ -f build/Scrips.dat ] || cp scripts/sample-Scrips.dat build/Scrips.dat

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and writes its number once it accepts clients.
  setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do
    grep -q '^[0-9]' "$scratch/display" && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q '^[0-9]' "$scratch/display"; then
    echo "The virtual display (Xvfb) did not start:" >&2
    cat "$scratch/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=:$(head -n 1 "$scratch/display")
  echo "No display: the window runs on the virtual display $DISPLAY."
  echo "Take a screenshot with:  DISPLAY=$DISPLAY import -window root shot.png"
  echo "Press Ctrl+C to stop."
fi

# In the background with a wait, so that a signal is handled at once.
build/tickerloom &
app=$!
wait "$app"
