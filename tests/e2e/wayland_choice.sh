#!/bin/bash
# The display platform on a Wayland session, under weston's headless backend with
# XWayland: started with nothing chosen, the program's window must be an X11 window on
# XWayland's display; with QT_QPA_PLATFORM=wayland it must run as a Wayland client and
# show nothing there.
#
#   tests/e2e/wayland_choice.sh path/to/zelmo32
#
# Needs weston, Xwayland, Qt's Wayland platform (qt6-wayland) and xwininfo.
set -u
program=$1
for tool in weston Xwayland xwininfo; do
    command -v "$tool" >/dev/null || { echo "wayland_choice: $tool missing"; exit 1; }
done

work=$(mktemp -d)
chmod 700 "$work"
mkdir -p "$work/home"
wpid=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [ -n "$wpid" ] && kill "$wpid" 2>/dev/null && wait "$wpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

socket=zelmo-test-$$
XDG_RUNTIME_DIR=$work weston --backend=headless-backend.so --socket="$socket" --xwayland \
    --idle-time=0 --no-config >"$work/weston.log" 2>&1 &
wpid=$!
display=
for _ in $(seq 50); do
    display=$(grep -o 'listening on display :[0-9]*' "$work/weston.log" | grep -o ':[0-9]*')
    [ -n "$display" ] && [ -S "$work/$socket" ] && break
    sleep 0.2
done
if [ -z "$display" ]; then
    echo "wayland_choice: weston did not start"; cat "$work/weston.log"; exit 1
fi

# run [QT_QPA_PLATFORM value]: starts the program in the Wayland session.
run() {
    local platform=(-u QT_QPA_PLATFORM)
    [ $# -gt 0 ] && platform=(QT_QPA_PLATFORM="$1")
    env -u XDG_CONFIG_HOME "${platform[@]}" HOME="$work/home" XDG_RUNTIME_DIR="$work" \
        WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland DISPLAY="$display" \
        "$program" >"$work/program.log" 2>&1 &
    pid=$!
}
x11_window() {
    DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"Zelmo32": ("zelmo32"'
}
stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
}

status=0
run
found=no
for _ in $(seq 100); do
    x11_window && { found=yes; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
if [ $found = yes ]; then
    echo "nothing chosen: an X11 window on XWayland ($display)"
else
    echo "nothing chosen: FAILED, no X11 window"; cat "$work/program.log"; status=1
fi
stop

run wayland
sleep 4
if kill -0 "$pid" 2>/dev/null && ! x11_window; then
    echo "QT_QPA_PLATFORM=wayland: a Wayland client, no X11 window"
else
    echo "QT_QPA_PLATFORM=wayland: FAILED (the user's choice was not kept)"
    cat "$work/program.log"; status=1
fi
stop
exit $status
