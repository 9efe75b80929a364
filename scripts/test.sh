#!/usr/bin/env bash
# Installs what is missing, builds all three presets and runs every test: natively
# and, for the Windows builds, under Wine with a private prefix and display. Where this
# machine runs 32-bit programs the i686 build's tests run too and the end-to-end tests
# run the i686 stub; elsewhere they run the x86-64 stub, and ctest says so.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
export VARNOOK_WERROR=ON

for preset in native win64 win32; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo "== test native"
ctest --preset native
echo "== fuzz (bounded)"
scripts/fuzz.sh 20
echo "== test win64 (under Wine)"
ctest --preset win64
echo "== test win32 (the shipping stub)"
ctest --preset win32 -j2

cmake -DFILE=build/win32/bin/varnook.exe -DLABEL="i686, shipping stub" -P cmake/PrintSize.cmake
