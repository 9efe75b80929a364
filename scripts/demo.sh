#!/usr/bin/env bash
# The main job: builds everything, builds the example product into an installer with
# the builder, inspects it and runs it under Wine as a person would meet it: its
# background window and language dialog, read out by the UI driver and shown in
# screenshots; then strips its payload and runs the bare stub, whose message box is
# read out, photographed and answered. Uses a private display
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
# The shipping i686 stub where this machine runs 32-bit programs, else the x86-64 one.
stub=build/win32/bin/varnook.exe
if ! scripts/runs-32bit >/dev/null 2>&1; then
    stub="$bin/varnook.exe"
fi
echo "== building examples/demo-tool/product.toml with $stub"
"$builder" build examples/demo-tool/product.toml -o "$out/DemoToolSetup.exe" --stub "$stub"
echo "== inspecting it"
"$builder" inspect "$out/DemoToolSetup.exe"

echo "== running it: the background window, then the language dialog (two languages)"
scripts/wine-run --dir "$state" "$out/DemoToolSetup.exe" &
installer=$!
driver=(scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe DemoToolSetup.exe)
"${driver[@]}" show
import -window root "$out/language.png"
echo "screenshot: $out/language.png"
echo "== choosing Deutsch: the buttons follow the language being chosen"
"${driver[@]}" select 1017 Deutsch show
import -window root "$out/language-deutsch.png"
echo "screenshot: $out/language-deutsch.png"
echo "== confirming: the stub checks its payload and its files (the install sequence comes later)"
"${driver[@]}" press 1001 wait-gone
set +e
wait "$installer"
status=$?
set -e
echo "DemoToolSetup.exe ended with exit code $status"

echo "== stripping the payload and starting the bare stub"
"$builder" strip "$out/DemoToolSetup.exe" -o "$out/bare.exe"
scripts/wine-run --dir "$state" "$out/bare.exe" &
bare=$!

echo "== what the screen shows"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe bare.exe show
import -window root "$out/no-archive.png"
echo "screenshot: $out/no-archive.png"

echo "== pressing OK"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe bare.exe press OK
set +e
wait "$bare"
status=$?
set -e
echo "bare.exe ended with exit code $status"
