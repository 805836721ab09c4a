#!/bin/bash
# Pictures of the zoom on the real program under a virtual X display (not part of the
# test run; for looking at): a first start, three zoom-outs to the floor, eleven
# zoom-ins back to about 100, one zoom-out to 70 with maximise and normal size; then
# starts with ZoomInOut=206 on a 1280x1024 screen (fresh, with a stored placement that
# reaches past the screen's right edge, and with the viewer closed).
#
#   tests/e2e/zoom_shots.sh [path/to/zelmo32] [picture folder]
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/zelmo32}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
shots=${2:-$(dirname "$program")/zoom-shots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

if [ -z "${ZELMO_ZOOM_INNER:-}" ]; then
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null || { echo "zoom shots: $tool missing"; exit 77; }
    done
    ZELMO_ZOOM_INNER=sequence xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots" &&
        ZELMO_ZOOM_INNER=start206 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program" "$shots"
    exit 1
fi

pid=""
start() { # settings-file text: starts the program in a folder of its own, sets win
    work=$(mktemp -d /var/tmp/zelmo-zoom.XXXXXX 2>/dev/null || mktemp -d)
    mkdir -p "$work/app" "$work/data/docs"
    cp "$program" "$work/app/zelmo32"
    printf 'hello\n' >"$work/data/docs/report.txt"
    printf '%b' "$1" >"$work/app/zelmo32.INI"
    (cd "$work/data" && LANG=C.UTF-8 QT_QPA_PLATFORM=xcb exec "$work/app/zelmo32" >"$work/log" 2>&1) &
    pid=$!
    win=""
    for _ in $(seq 60); do
        win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | head -1)
        [ -n "$win" ] && break
        sleep 0.5
    done
    [ -n "$win" ] || { echo "zoom shots: no main window"; exit 1; }
    sleep 2
}
stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap stop EXIT
geometry() { eval "$(xdotool getwindowgeometry --shell "$win")"; }
shot() { # name: the whole screen
    sleep 0.8
    import -window root "$shots/$1.png"
    geometry
    echo "$shots/$1.png: window ${WIDTH}x${HEIGHT} at $X,$Y"
}
menu() { # the context menu from the page panel right of the slots, then one key
    geometry
    xdotool mousemove $((X + WIDTH - 15)) $((Y + 3)) click 3
    sleep 0.5
    xdotool key "$1"
    sleep 1
}

if [ "$ZELMO_ZOOM_INNER" = sequence ]; then
    start '[FormStyle]\nViewerStyle=1\n'
    shot 00-start
    for i in 1 2 3; do
        menu d
        shot "0$i-out$i"
    done
    for i in $(seq 11); do
        menu u
        shot "$(printf '%02d' $((i + 3)))-in$i"
    done
    menu d
    shot 15-out-to-70
    menu v
    sleep 1
    shot 16-maximised-at-70
    menu n
    shot 17-normal-at-70
else
    start '[FormStyle]\nViewerStyle=1\nZoomInOut=206\n'
    shot 20-start-206
    stop
    start '[FormStyle]\nViewerStyle=1\nZoomInOut=206\n[TForm1]\nPlaceNormalPos.Left=344\nPlaceNormalPos.Top=171\nPlaceNormalPos.Right=1496\nPlaceNormalPos.Bottom=853\n'
    shot 21-start-206-placement-off-screen
    stop
    start '[FormStyle]\nViewerStyle=0\nZoomInOut=206\n'
    shot 22-start-206-viewer-closed
fi
