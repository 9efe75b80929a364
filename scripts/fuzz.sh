#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and AddressSanitizer in build/fuzz
# and runs each for a bounded time (default 60 seconds). A finding stops the script
# with the crashing input saved in build/fuzz/findings/.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
dir=build/fuzz

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
    -DVARNOOK_TESTS=OFF -DVARNOOK_FUZZ=ON >/dev/null
targets="unpack_fuzz pack_round_trip_fuzz payload_fuzz script_fuzz pe_version_fuzz datetime_fuzz command_line_fuzz uninstall_data_fuzz"
# shellcheck disable=SC2086
cmake --build "$dir" --target $targets varnook-build make_seeds

for target in $targets; do
    mkdir -p "$dir/corpus/$target"
done
mkdir -p "$dir/findings"
cp /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/lz32.dll "$dir/corpus/pe_version_fuzz/" 2>/dev/null || true # a small PE with a version
# Seeds: real blocks of a few files, so that the unpacker starts behind the header.
for level in 1 5 9; do
    for file in README.md core/datetime.cpp; do
        "$dir/bin/varnook-build" pack "$file" "$dir/corpus/unpack_fuzz/seed-$level-$(basename "$file")" \
            --level "$level" >/dev/null
    done
done
# Real payload sections and install scripts of a few products, so that the payload
# and script readers start behind their checksums.
"$dir/bin/make_seeds" examples/demo-tool/product.toml "$dir/corpus/payload_fuzz" "$dir/corpus/script_fuzz" >/dev/null
# Date texts of each form the reader knows, and command lines with every switch.
seed=0
for text in "Tuesday, March 5th, 2002" "3/5/02, 1:02:03 pm" "3.5.2002 23:59" "5-Mar-02" "5 March 2002" \
    "March 2002" "3/2002" "10/10/1582" "12:30 am"; do
    seed=$((seed + 1))
    printf '%s' "$text" >"$dir/corpus/datetime_fuzz/seed-$seed"
done
for line in '/a /d:"C:\Program Files\Demo" /n:"Demo Tool"' '-u:"Demo ""Tool""" /r:"notepad.exe"' '/u /A / x'; do
    seed=$((seed + 1))
    printf '%s' "$line" >"$dir/corpus/command_line_fuzz/seed-$seed"
done

printf '~C:\\Apps\\Tool\r\nC:\\Apps\\Tool\\tool.exe\r\n!.tl\r\n\r\n\r\n[Strings]\r\n~10\r\nFailed:\r\n%%s\r\n~15\r\nDone\r\n\r\n\r\n[Associations]\r\n.tl~!~Tool.Doc~!~open\r\n' \
    >"$dir/corpus/uninstall_data_fuzz/seed-record"

for target in $targets; do
    echo "== $target for $seconds s"
    "$dir/bin/$target" "$dir/corpus/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=4096 -artifact_prefix="$dir/findings/$target-" -print_final_stats=1 2>&1 |
        grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::number_of_executed_units|==[0-9]+==|SUMMARY|INFO: Loaded)' || true
    # libFuzzer exits non-zero on a finding; the artifact shows it too.
    if compgen -G "$dir/findings/$target-*" >/dev/null; then
        echo "fuzz: $target found a failing input:" "$dir"/findings/"$target"-*
        exit 1
    fi
done
