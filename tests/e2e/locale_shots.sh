#!/bin/bash
# Qt's own dialogs and menus in the program, photographed under a window manager in one
# locale: the editor's Save as, Open file and font dialogs and an edit box's context menu
# (the find dialog's). They read Japanese in every locale, C.UTF-8 and en_US.UTF-8 as
# much as ja_JP.UTF-8: the program installs Qt's Japanese translation whatever the locale.
#   tests/e2e/locale_shots.sh build/zelmo32 build/locale-shots C.UTF-8
# Needs xvfb-run, openbox, xdotool and ImageMagick's import; the Japanese locale must be
# generated (locale-gen or localedef -i ja_JP -f UTF-8 ja_JP.UTF-8). A look, not a test.
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shots=$2
lang=${3:-ja_JP.UTF-8}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
if [ -z "${ZELMO_LOCALE_INNER:-}" ]; then
    ZELMO_LOCALE_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots" "$lang"
fi
. "$here/desktop_session.sh"
work=$(mktemp -d /var/tmp/zelmo-locale.XXXXXX)
pid=""
trap 'kill "$pid" 2>/dev/null; stop_desktop; wait 2>/dev/null; rm -rf "$work"' EXIT
tag=${lang%%.*}

start_desktop
mkdir -p "$work/data"
printf 'hello\n' >"$work/data/notes.txt"
start_program "$lang"
activate "$win"
xdotool key F2
wait_for 10 "the editor" shown 'ゼル君'
ed=$(visible 'ゼル君')
activate "$ed"
geometry "$ed"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
xdotool type --delay 20 "hello"
windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort; }
new_window() { [ -n "$(comm -13 "$work/before" <(windows))" ]; }
dialog() { # keys name: opens a dialog from the editor, photographs it, closes it
    windows >"$work/before"
    activate "$ed"
    xdotool key $1
    wait_for 10 "$2" new_window
    sleep 1
    shot "$tag-$2"
    xdotool key Escape
    sleep 1
}
dialog ctrl+s save-as
dialog "alt+f o" open
dialog ctrl+o font
# The find dialog's edit box and Qt's menu for it.
windows >"$work/before"
activate "$ed"
xdotool key ctrl+f
wait_for 10 "the find dialog" new_window
sleep 1
# The menu key opens the focused edit box's own menu.
xdotool key Menu
sleep 1
shot "$tag-edit-menu"
