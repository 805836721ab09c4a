#!/bin/bash
# The main window by keyboard alone, photographed under a window manager: the menus the
# menu key and Shift(+Ctrl)+F10 open in the tree and the list, the launcher strip reached
# by Tab with its focus moved by the arrows and the page keys, the context menu there.
#   tests/e2e/keyboard_shots.sh build/zelmo32 build/keyboard-shots
# Needs xvfb-run, openbox, xdotool and ImageMagick's import. A look, not a test.
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shots=$2
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
if [ -z "${ZELMO_KEYS_INNER:-}" ]; then
    ZELMO_KEYS_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"
fi
. "$here/desktop_session.sh"
work=$(mktemp -d /var/tmp/zelmo-keys.XXXXXX)
pid=""
trap 'kill "$pid" 2>/dev/null; stop_desktop; wait 2>/dev/null; rm -rf "$work"' EXIT

start_desktop
mkdir -p "$work/data/sub"
for n in notes.txt run.exe photo.bmp readme.txt; do printf 'x\n' >"$work/data/$n"; done
start_program C.UTF-8
sleep 1
key() { # keys name: presses the keys, photographs the screen, closes a menu it opened
    xdotool key $1
    sleep 0.7
    shot "$2"
}
# The tree has the keyboard after start-up.
key Menu tree-menu-key
xdotool key Escape
key shift+ctrl+F10 tree-copy-move-menu
xdotool key Escape
# Into the list: Tab, then a file selected by the arrows.
xdotool key Tab Tab
sleep 0.3
xdotool key Right
key shift+F10 list-menu
xdotool key Escape
key shift+ctrl+F10 list-delete-menu
xdotool key Escape
# On round the Tab order until the strip: each step photographed.
for i in 1 2 3 4 5 6 7 8; do
    key Tab "tab-$i"
done
