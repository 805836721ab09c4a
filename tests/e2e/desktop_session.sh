# Sourced by the scripts that run the program on a virtual display with a window manager
# (openbox) and, when asked, an XEmbed notification area (trayer). The caller sets
# $shots and $work and runs inside a display of its own (xvfb-run) and, for the tray,
# a D-Bus session of its own without a StatusNotifier watcher (dbus-run-session), so
# that Qt docks its icon in the XEmbed tray. Every wait polls with a timeout.
desktop_pids=""

desktop_fail() {
    echo "desktop: FAIL: $*"
    import -window root "$shots/failure.png" 2>/dev/null
    [ -f "$work/log" ] && sed 's/^/desktop: program: /' "$work/log"
    exit 1
}
# wait_for SECONDS WHAT COMMAND...: polls the command every 0.1 s until it succeeds.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local end=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || desktop_fail "timed out waiting for $what"
        sleep 0.1
    done
}
# The notification area's selection has an owner (the XEmbed tray protocol).
tray_owned() {
    python3 - <<'PY'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
sys.exit(0 if d and x.XGetSelectionOwner(d, x.XInternAtom(d, b"_NET_SYSTEM_TRAY_S0", 0)) else 1)
PY
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# start_desktop [tray]: the window manager, then (with "tray") the tray, each waited for;
# trayer_win is the tray's window.
start_desktop() {
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    desktop_pids="$desktop_pids $!"
    wait_for 20 "the window manager" wm_running
    [ "${1:-}" = tray ] || return 0
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
        --transparent false --tint 0x404040 >"$work/trayer.log" 2>&1 &
    local tray=$!
    desktop_pids="$desktop_pids $tray"
    wait_for 20 "the tray's selection owner" tray_owned
    trayer_win=$(xdotool search --sync --onlyvisible --pid "$tray" 2>/dev/null | head -1)
}
stop_desktop() {
    for p in $desktop_pids; do kill "$p" 2>/dev/null; done
}

# start_program LANG: the program copied with its libraries and plug-ins into $work/app,
# started in $work/data; waits for its main window: pid and win are set.
start_program() {
    local program_dir
    program_dir=$(dirname "$program")
    mkdir -p "$work/app" "$work/data"
    cp "$program" "$work/app/zelmo32"
    cp "$program_dir"/lib*.so "$program_dir"/*.spi "$work/app/" 2>/dev/null
    # What the program hands to the desktop is only noted: a real viewer or file manager
    # of the machine would open over the windows the script clicks.
    mkdir -p "$work/bin"
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/bin/opened.log"\n' "$work" >"$work/bin/xdg-open"
    printf '#!/bin/sh\necho fake.desktop\n' >"$work/bin/xdg-mime"
    chmod +x "$work/bin/xdg-open" "$work/bin/xdg-mime"
    (cd "$work/data" && PATH="$work/bin:$PATH" LANG=$1 LC_ALL=$1 QT_QPA_PLATFORM=xcb \
        exec "$work/app/zelmo32" >"$work/log" 2>&1) &
    pid=$!
    wait_for 40 "the main window" shown '^Zelmo32$'
    win=$(visible '^Zelmo32$')
    xdotool windowactivate --sync "$win" 2>/dev/null
}

visible() { # name-regex: a visible window of the program with that name
    xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -1
}
shown() { [ -n "$(visible "$1")" ]; }
hidden() { [ -z "$(visible "$1")" ]; }
mapped() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
unmapped() { xwininfo -id "$1" | grep -q 'Map State: IsUnMapped'; }
iconic() { xprop -id "$1" WM_STATE | grep -q 'window state: Iconic'; }
normal() { xprop -id "$1" WM_STATE | grep -q 'window state: Normal'; }
geometry() { # window: sets X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1")"
}
popups() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }
# more_windows N: the program shows more than N windows (a menu or a dialog opened).
more_windows() { [ "$(popups)" -gt "$1" ]; }
shot() { # name [window]: the screen (or one window) as it is now
    sleep 0.3 # the last paint reaches the server
    import -window "${2:-root}" "$shots/$1.png" || desktop_fail "screenshot $1"
    echo "desktop: $shots/$1.png"
}
activate() { xdotool windowactivate --sync "$1" 2>/dev/null; }
