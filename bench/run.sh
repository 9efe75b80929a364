#!/usr/bin/env bash
# One command for the codec benchmark: builds the optimised host tree, makes the
# corpus when it is missing, and prints the table of bench/README.md.
#
#   bench/run.sh [LEVEL ...]          (default: every level)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target codec_bench
corpus=build/bench/corpus.tar
[[ -f $corpus ]] || bench/make_corpus.sh "$corpus"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) CPUs, $(free -g | awk '/Mem:/ {print $2}') GiB," \
     "load average $(cut -d' ' -f1-3 /proc/loadavg)"
build/native-release/bin/codec_bench "$corpus" "$@"
