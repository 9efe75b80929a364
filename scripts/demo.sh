#!/usr/bin/env bash
# The main job: builds everything, builds the example product into an installer with
# the builder, inspects it and runs it under Wine, then strips its payload and runs
# the bare stub the way a person would meet it, with the UI driver reading out the
# message box, a screenshot of the screen, and OK pressed. Uses a private display
# when none is set; never waits for a person.
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

builder=build/native/bin/varnook-build
echo "== building examples/demo-tool/product.toml"
"$builder" build examples/demo-tool/product.toml -o "$out/DemoToolSetup.exe" --stub "$bin/varnook.exe"
echo "== inspecting it"
"$builder" inspect "$out/DemoToolSetup.exe"

echo "== running it: the stub checks its payload and its files (the install sequence comes later)"
set +e
scripts/wine-run --dir "$state" "$out/DemoToolSetup.exe"
status=$?
set -e
echo "DemoToolSetup.exe ended with exit code $status"

echo "== stripping the payload and starting the bare stub"
"$builder" strip "$out/DemoToolSetup.exe" -o "$out/bare.exe"
scripts/wine-run --dir "$state" "$out/bare.exe" &
stub=$!

echo "== what the screen shows"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe bare.exe show
import -window root "$out/screen.png"
echo "screenshot: $out/screen.png"

echo "== pressing OK"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe bare.exe press OK
set +e
wait "$stub"
status=$?
set -e
echo "bare.exe ended with exit code $status"
