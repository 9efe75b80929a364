#!/usr/bin/env bash
# Files in use, under Wine, in a prefix and wineserver of its own (its restart carries
# out every pending rename of the prefix): a shared file that another program holds
# open is written to a temporary file and registered to replace the held one at the
# next start; a deletion entry for a held file is registered for deletion. `wineboot
# -r`, Wine's restart, then puts both in place.
#
#   replace_at_restart_test.sh SOURCE_DIR SESSION_DIR BIN_DIR
set -u
[ $# -eq 3 ] || { echo "usage: replace_at_restart_test.sh SOURCE_DIR SESSION_DIR BIN_DIR" >&2; exit 2; }
src=$1 session=$2 bin=$3
. "$src/scripts/wine-common.sh"

fail() {
    echo "FAIL: $*"
    exit 1
}

own=$(mktemp -d "${TMPDIR:-/tmp}/varnook-replace.XXXXXX")
holders=()
cleanup() {
    for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null; done
    WINEPREFIX=$own/prefix "$WINESERVER" -k 2>/dev/null
    WINEPREFIX=$own/prefix "$WINESERVER" -w 2>/dev/null
    rm -rf "$own"
}
trap cleanup EXIT

[ -f "$session/prefix/.varnook-ready" ] || fail "the Wine session's prefix is not ready: $session/prefix"
cp -a "$session/prefix" "$own/prefix" || fail "cannot copy the prefix"
wine_environment "$own"
mkdir -p "$HOME"
unset DISPLAY
"$WINESERVER" -p

c=$WINEPREFIX/drive_c
printf 'old shared content' >"$c/varnook-held.dll"
printf 'to be deleted' >"$c/varnook-doomed.txt"

# Holds a file open without sharing, as a program that uses it does, until it is ended.
hold() {
    local out=$own/hold-$#-$RANDOM
    "$WINE64" "$bin/hold_file.exe" "$1" 60 >"$out" 2>&1 &
    holders+=($!)
    for _ in $(seq 1 300); do
        grep -q held "$out" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "hold_file did not hold $1: $(cat "$out")"
}
hold 'C:\varnook-held.dll'
hold 'C:\varnook-doomed.txt'

out=$("$WINE64" "$bin/system_probe.exe" write-shared 'C:\varnook-held.dll' 'new shared content' | tr -d '\r')
printf '%s\n' "$out"
[ "$(printf '%s\n' "$out" | head -1)" = "restart=1" ] || fail "the restart flag was not set for the replacement"
printf '%s\n' "$out" | grep -qx 'Could not write C:\\varnook-held.dll' || fail "the report does not name the file that could not be written"
printf '%s\n' "$out" | grep -qx 'C:\\varnook-held.dll has been successfully registered for replacement.' ||
    fail "the report does not say the file is registered for replacement"
printf '%s\n' "$out" | grep -qx 'Reboot will be required.' || fail "the report does not say a reboot is required"
temp=$(printf '%s\n' "$out" | sed -n 's/^Temporary file is //p')
[ -n "$temp" ] || fail "the report does not name the temporary file"
temp_unix=$("$WINE64" winepath -u "$temp" 2>/dev/null | tr -d '\r')
[ -f "$temp_unix" ] || fail "the temporary file $temp is not there"
[ "$(cat "$temp_unix")" = "new shared content" ] || fail "the temporary file does not hold the new content"
[ "$(cat "$c/varnook-held.dll")" = "old shared content" ] || fail "the held file changed before the restart"

out=$("$WINE64" "$bin/system_probe.exe" delete 'C:\varnook-doomed.txt' | tr -d '\r')
printf '%s\n' "$out"
[ "$(printf '%s\n' "$out" | head -1)" = "restart=1" ] || fail "the restart flag was not set for the deletion"
printf '%s\n' "$out" | grep -q "^File 'C:\\\\varnook-doomed.txt' will be deleted after rebooting: " ||
    fail "the report does not say the file will be deleted after rebooting"

pending=$("$WINE64" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations | tr -d '\r')
short_name=$(basename "${temp//\\//}")
printf '%s\n' "$pending" | grep -qi "$short_name" || fail "PendingFileRenameOperations does not name the temporary file: $pending"
printf '%s\n' "$pending" | grep -qi 'varnook-doomed.txt' || fail "PendingFileRenameOperations does not name the deletion: $pending"

for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
holders=()
"$WINE64" wineboot -r >/dev/null 2>&1
[ "$(cat "$c/varnook-held.dll")" = "new shared content" ] || fail "the restart did not put the new content in place"
[ ! -e "$temp_unix" ] || fail "the temporary file is still there after the restart"
[ ! -e "$c/varnook-doomed.txt" ] || fail "the restart did not delete the registered file"
echo "PASS: the held file was replaced and the held deletion carried out at the restart"
