#!/usr/bin/env bash
# The main job: builds everything and runs the stub under Wine the way a person would
# meet it, with the UI driver reading out the message box, a screenshot of the
# screen, and OK pressed. Uses a private display when none is set; never waits for a
# person.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in native win64 win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

bin=build/win64/bin
state=build/win64/wine
out=build/demo
mkdir -p "$out"
scripts/wine-session start "$state"
trap 'scripts/wine-session stop "$state" >/dev/null' EXIT
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=":$(cat "$state/display")"
fi

echo "== starting varnook.exe (no payload, no arguments)"
scripts/wine-run --dir "$state" "$bin/varnook.exe" &
stub=$!

echo "== what the screen shows"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe varnook.exe show
import -window root "$out/screen.png"
echo "screenshot: $out/screen.png"

echo "== pressing OK"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe varnook.exe press OK
set +e
wait "$stub"
status=$?
set -e
echo "varnook.exe ended with exit code $status"
