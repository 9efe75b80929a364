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
targets="unpack_fuzz pack_round_trip_fuzz payload_fuzz script_fuzz pe_version_fuzz"
# shellcheck disable=SC2086
cmake --build "$dir" --target $targets varnook-build

for target in $targets; do
    mkdir -p "$dir/corpus/$target"
done
mkdir -p "$dir/findings"
cp /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/lz32.dll "$dir/corpus/pe_version_fuzz/" 2>/dev/null || true # a small PE with a version
# Seeds: real blocks of a few files, so that the unpacker starts behind the header.
for level in 1 5 9; do
    for file in README.md installer/unpack.h; do
        "$dir/bin/varnook-build" pack "$file" "$dir/corpus/unpack_fuzz/seed-$level-$(basename "$file")" \
            --level "$level" >/dev/null
    done
done

for target in $targets; do
    echo "== $target for $seconds s"
    "$dir/bin/$target" "$dir/corpus/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=4096 -artifact_prefix="$dir/findings/$target-" -print_final_stats=1 2>&1 |
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|INFO: Loaded)' || true
    # libFuzzer exits non-zero on a finding; the artifact shows it too.
    if compgen -G "$dir/findings/$target-*" >/dev/null; then
        echo "fuzz: $target found a failing input:" "$dir"/findings/"$target"-*
        exit 1
    fi
done
