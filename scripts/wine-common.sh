# Shared by wine-run and wine-session: the private Wine environment of one build tree.
# STATE_DIR holds prefix/ (the Wine prefix), home/ (HOME for Wine, so nothing reaches
# the real home), and while a session runs: display, xvfb.pid. When the tests run as
# root, STATE_DIR/ordinary-user/ is the same again for an ordinary user, who runs the
# tests that need Windows file permissions enforced (Wine run as root ignores them).

WINE_BIN_DIR=/usr/lib/wine
WINE64=$WINE_BIN_DIR/wine64
WINE32=$WINE_BIN_DIR/wine
WINESERVER=$WINE_BIN_DIR/wineserver
# The loader of the programs run; see use_loader.
WINE=$WINE64

# The account created for the tests that must not run as root.
VARNOOK_TEST_USER=${VARNOOK_TEST_USER:-varnook-tester}
# Put in front of every command that runs Wine or writes into the state folder: empty,
# or the switch to the ordinary user (see use_ordinary_user).
as_user=()

# The loader for a build's programs: i686 (the 32-bit loader, which runs them in the
# same 64-bit prefix) or x86-64.
use_loader() {
    case $1 in
    i686) WINE=$WINE32 ;;
    x86-64) WINE=$WINE64 ;;
    *)
        echo "wine: unknown architecture '$1' (i686 or x86-64)" >&2
        return 1
        ;;
    esac
    if [ ! -x "$WINE" ]; then
        echo "wine: $WINE is missing (scripts/setup.sh installs the 32-bit Wine where this machine runs 32-bit programs)" >&2
        return 1
    fi
}

# Run as root, switches `dir` to the ordinary user's state folder inside it, creating
# the user once, and makes as_user run commands as that user. Run as anyone else there
# is nothing to do: the current user is ordinary already and `dir` serves as it is.
use_ordinary_user() {
    [ "$(id -u)" -eq 0 ] || return 0
    local user=$VARNOOK_TEST_USER
    if ! id -u "$user" >/dev/null 2>&1; then
        # A concurrent caller may create it first.
        useradd -m "$user" 2>/dev/null || id -u "$user" >/dev/null 2>&1 || {
            echo "wine: cannot create the test user $user" >&2
            return 1
        }
    fi
    local uid gid
    uid=$(id -u "$user") && gid=$(id -g "$user") || return 1
    as_user=(setpriv --reuid="$uid" --regid="$gid" --init-groups --)
    export USER=$user LOGNAME=$user
    chmod 755 "$dir"
    if ! "${as_user[@]}" test -x "$dir"; then
        echo "wine: the test user $user cannot reach $dir: let others enter the folders above it (chmod o+x)" >&2
        return 1
    fi
    dir=$dir/ordinary-user
    mkdir -p "$dir"
    chown "$uid:$gid" "$dir"
    # Its Xvfb would otherwise create the socket folder as its own.
    [ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
}

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
    local dir=$1 out=$1/xvfb.displayfd
    rm -f "$out"
    "${as_user[@]}" setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out" </dev/null >"$dir/xvfb.log" 2>&1 &
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
    "${as_user[@]}" mkdir -p "$dir/home"
    (
        flock 9
        [ -f "$WINEPREFIX/.varnook-ready" ] && exit 0
        rm -rf "$WINEPREFIX"
        # Always the 64-bit loader: the 32-bit one runs its programs in this prefix too.
        "${as_user[@]}" "$WINE64" wineboot -i >"$dir/wineboot.log" 2>&1
        # The user's folders are links into $HOME: make them real folders of the prefix.
        for link in "$WINEPREFIX"/drive_c/users/*/*; do
            if [ -L "$link" ]; then
                rm -f "$link"
                "${as_user[@]}" mkdir -p "$link"
            fi
        done
        # Without a window manager, hiding or destroying a window stalls for 2 s.
        "${as_user[@]}" "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        "${as_user[@]}" "$WINESERVER" -w
        "${as_user[@]}" touch "$WINEPREFIX/.varnook-ready"
    ) 9>"$dir/prefix.lock"
}
