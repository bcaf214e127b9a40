#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo quote service (unless
# something already answers on its port) and opens the Tickerloom window.
# Without a display the window runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tickerloom tickerloom-service

port=8425
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

if answers; then
  echo "A quote service already answers on port $port; using it."
else
  build/tickerloom-service --port "$port" &
  pids+=($!)
  for _ in $(seq 50); do answers && break; sleep 0.1; done
  answers || { echo "The demo quote service did not start." >&2; exit 1; }
fi

# A first run shows a small sample list; after that the list is the user's own.
[ -f build/Scrips.dat ] || cp scripts/sample-Scrips.dat build/Scrips.dat

if [ -z "${DISPLAY:-}" ]; then
  display=:$(( 90 + RANDOM % 9 ))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  sleep 1
  echo "No display: the window runs on the virtual display $display."
  echo "Take a screenshot with:  DISPLAY=$display import -window root shot.png"
  echo "Press Ctrl+C to stop."
fi

# In the background with a wait, so that Ctrl+C or a TERM ends everything at once.
build/tickerloom &
app=$!
pids+=("$app")
wait "$app"
