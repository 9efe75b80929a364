#!/usr/bin/env bash
# Installation times of the example product under Wine, in a fresh prefix of its own:
# a silent installation (/a), and a person's installation whose progress holds each
# status text for the product's minimum stage time. Prints the median of RUNS of each
# and what the stage waits add.
#
#   bench/install/run.sh [RUNS]          (default 5)
#
# Needs the native, win64 and win32 trees built (scripts/test.sh or scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-5}

bin=build/win64/bin
out=build/bench/install
state=$out/wine
rm -rf "$state"
mkdir -p "$out"
scripts/wine-session start "$state" >/dev/null
trap 'scripts/wine-session stop "$state" >/dev/null' EXIT
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=":$(cat "$state/display")"
fi
stub=build/win32/bin/varnook.exe
scripts/runs-32bit >/dev/null 2>&1 || stub="$bin/varnook.exe"
product=examples/demo-tool/product.toml
build/native/bin/varnook-build build "$product" -o "$out/DemoToolSetup.exe" --stub "$stub" >/dev/null
stage_ms=$(sed -n 's/^minimum_stage_time *= *\([0-9]*\).*/\1/p' "$product")

wine=(scripts/wine-run --dir "$state")
driver=("${wine[@]}" "$bin/ui_driver.exe" --timeout 20 --exe DemoToolSetup.exe)
# Without spaces: Wine would quote the switch whole.
target='C:\Bench\DemoTool'
unix_target=$state/prefix/drive_c/Bench
now() { date +%s.%N; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
# A recorded folder that is gone counts as no installation: each run installs afresh.
forget() { rm -rf "$unix_target"; }

"${wine[@]}" "$out/DemoToolSetup.exe" /a "/d:$target" || true # it always ends with 1; warms the prefix and the caches
silent=()
for ((i = 0; i < runs; i++)); do
    forget
    start=$(now)
    "${wine[@]}" "$out/DemoToolSetup.exe" /a "/d:$target" || true
    silent+=("$(echo "$(now) - $start" | bc)")
done

# A person's run, timed from the folder dialog's confirmation to the completion box.
person=()
for ((i = 0; i < runs; i++)); do
    forget
    "${wine[@]}" "$out/DemoToolSetup.exe" "/d:$target" &
    installer=$!
    "${driver[@]}" press 1001 wait-gone >/dev/null
    "${driver[@]}" --caption Welcome press 6 wait-gone >/dev/null
    while "${driver[@]}" --timeout 3 --caption "License Agreement" press 1001 wait-gone >/dev/null 2>&1; do :; done
    while "${driver[@]}" --timeout 3 --caption "Read Me" press 1001 wait-gone >/dev/null 2>&1; do :; done
    "${driver[@]}" --caption "Installation Folder" show >/dev/null
    start=$(now)
    "${driver[@]}" --caption "Installation Folder" press 1001 wait-gone >/dev/null
    "${driver[@]}" --caption "Installation Complete" show >/dev/null
    person+=("$(echo "$(now) - $start" | bc)")
    "${driver[@]}" --caption "Installation Complete" press OK >/dev/null
    wait "$installer" || true
done

silent_median=$(printf '%s\n' "${silent[@]}" | median)
person_median=$(printf '%s\n' "${person[@]}" | median)
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); stub: $stub; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| run | median s | runs (s) |\n|---|---:|---|\n'
printf '| silent (/a), the whole process | %.2f | %s |\n' "$silent_median" "${silent[*]}"
printf '| a person'"'"'s, folder confirmed to completion box | %.2f | %s |\n' "$person_median" "${person[*]}"
echo "minimum stage time: $stage_ms ms"
