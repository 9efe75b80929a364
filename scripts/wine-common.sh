# Shared by wine-run and wine-session: the private Wine environment of one build tree.
# STATE_DIR holds prefix/ (the Wine prefix), home/ (HOME for Wine, so nothing reaches
# the real home), and while a session runs: display, xvfb.pid.

WINE_BIN_DIR=/usr/lib/wine
WINE64=$WINE_BIN_DIR/wine64
WINESERVER=$WINE_BIN_DIR/wineserver

wine_environment() {
    local dir=$1
    export WINEPREFIX="$dir/prefix"
    export WINEARCH=win64
    export HOME="$dir/home"
    export WINEDEBUG=-all
    # No host menu entries for shortcuts, and no mono/gecko install prompts.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
}

# Starts a private Xvfb on a free display; prints the display number.
start_xvfb() {
    local dir=$1 out=$dir/xvfb.displayfd
    rm -f "$out"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out" </dev/null >"$dir/xvfb.log" 2>&1 &
    local pid=$!
    for _ in $(seq 1 100); do
        if [ -s "$out" ]; then
            echo "$pid" >"$dir/xvfb.pid"
            tr -d '\n' <"$out"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "wine: Xvfb did not start (see $dir/xvfb.log)" >&2
    return 1
}

stop_xvfb() {
    local dir=$1
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid" "$dir/xvfb.displayfd"
    fi
}

# Creates the prefix once. Concurrent callers wait for the first one.
prepare_prefix() {
    local dir=$1
    mkdir -p "$dir/home"
    (
        flock 9
        [ -f "$WINEPREFIX/.varnook-ready" ] && exit 0
        rm -rf "$WINEPREFIX"
        "$WINE64" wineboot -i >"$dir/wineboot.log" 2>&1
        # The user's folders are links into $HOME: make them real folders of the prefix.
        for link in "$WINEPREFIX"/drive_c/users/*/*; do
            if [ -L "$link" ]; then
                rm -f "$link"
                mkdir -p "$link"
            fi
        done
        # Without a window manager, hiding or destroying a window stalls for 2 s.
        "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        "$WINESERVER" -w
        touch "$WINEPREFIX/.varnook-ready"
    ) 9>"$dir/prefix.lock"
}
