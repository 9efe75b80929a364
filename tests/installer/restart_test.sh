#!/usr/bin/env bash
# Restarting Windows under Wine, in a prefix and wineserver of its own so that no other
# test's programs are ended: a program that owns a window must be ended (exit code 0)
# and a rename registered for the next start must be carried out.
#
#   restart_test.sh SOURCE_DIR SESSION_DIR BIN_DIR
#
# SESSION_DIR is the build tree's running Wine session (its prefix is the template,
# its display is used).
set -u
[ $# -eq 3 ] || { echo "usage: restart_test.sh SOURCE_DIR SESSION_DIR BIN_DIR" >&2; exit 2; }
src=$1 session=$2 bin=$3
. "$src/scripts/wine-common.sh"

fail() {
    echo "FAIL: $*"
    exit 1
}

own=$(mktemp -d "${TMPDIR:-/tmp}/varnook-restart.XXXXXX")
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    WINEPREFIX=$own/prefix "$WINESERVER" -k 2>/dev/null
    WINEPREFIX=$own/prefix "$WINESERVER" -w 2>/dev/null
    rm -rf "$own"
}
trap cleanup EXIT

[ -f "$session/prefix/.varnook-ready" ] || fail "the Wine session's prefix is not ready: $session/prefix"
cp -a "$session/prefix" "$own/prefix" || fail "cannot copy the prefix"
wine_environment "$own"
mkdir -p "$HOME"
if [ -z "${DISPLAY:-}" ]; then
    [ -f "$session/display" ] || fail "no display: neither DISPLAY nor a session display"
    export DISPLAY=":$(cat "$session/display")"
fi
"$WINESERVER" -p
"$WINE64" cmd /c exit </dev/null >/dev/null 2>&1

source=$WINEPREFIX/drive_c/varnook-rename-source.txt
target=$WINEPREFIX/drive_c/varnook-renamed.txt
printf 'moved at the restart' >"$source"

"$WINE64" "$bin/sample_app.exe" msgbox "Varnook Restart Test" "Still running" ok </dev/null >/dev/null 2>&1 &
app=$!
"$WINE64" "$bin/ui_driver.exe" --timeout 20 --caption "Varnook Restart Test" show >/dev/null ||
    fail "the program with a window did not show it"

out=$("$WINE64" "$bin/system_probe.exe" restart 'C:\varnook-rename-source.txt' 'C:\varnook-renamed.txt' | tr -d '\r')
echo "system_probe: $out"
[ "$out" = "registered=1 accepted=1" ] || fail "expected the rename registered and the restart accepted"

for _ in $(seq 1 300); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "the program that owns a window is still running after the restart"
wait "$app"
rc=$?
app=
[ "$rc" -eq 0 ] || fail "the program was ended with exit code $rc, not 0 as a session end ends it"
# Wine's session end carries the renames out in a program of its own, which may still
# be at work when the ended program's exit arrives.
for _ in $(seq 1 300); do
    [ -f "$target" ] && break
    sleep 0.1
done
[ -f "$target" ] || fail "the registered rename was not carried out"
[ ! -e "$source" ] || fail "the renamed file is still there under its old name"
[ "$(cat "$target")" = "moved at the restart" ] || fail "the renamed file lost its content"
echo "PASS: the session ended the program that owns a window and carried out the rename"
