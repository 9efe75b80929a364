#!/usr/bin/env bash
# Builds the benchmark corpus: an installer-like tar of about 100 MB made from files
# already on the machine (Wine's Windows PE DLLs and programs, text documentation,
# fonts). Nothing of it is committed; the same machine gives the same bytes.
#
#   bench/make_corpus.sh [OUT]        (default build/bench/corpus.tar)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/bench/corpus.tar}
mkdir -p "$(dirname "$out")"
list=$(mktemp)
trap 'rm -f "$list"' EXIT

# Takes files from a listing, in name order, until the budget in bytes is used.
take() {
    local budget=$1 total=0 size file
    while IFS= read -r file; do
        size=$(stat -c %s "$file")
        (( total + size > budget )) && continue
        echo "$file" >>"$list"
        total=$((total + size))
    done
}

wine=/usr/lib/x86_64-linux-gnu/wine
find "$wine/x86_64-windows" "$wine/i386-windows" -maxdepth 1 -type f \( -name '*.dll' -o -name '*.exe' \) \
    2>/dev/null | LC_ALL=C sort | take $((84 * 1024 * 1024))
find /usr/share/doc /usr/share/common-licenses -type f \( -name '*.txt' -o -name '*.html' -o -name 'copyright' \
    -o -name 'README*' -o -name 'NEWS*' -o -name 'changelog' \) 2>/dev/null | LC_ALL=C sort | take $((12 * 1024 * 1024))
find /usr/share/fonts /usr/share/wine/fonts -type f \( -name '*.ttf' -o -name '*.otf' -o -name '*.ttc' \
    -o -name '*.fon' \) 2>/dev/null | LC_ALL=C sort | take $((6 * 1024 * 1024))

tar --create --file "$out" --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner \
    --absolute-names --files-from "$list"
echo "$out: $(stat -c %s "$out") bytes, $(wc -l <"$list") files"
