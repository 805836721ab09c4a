#!/bin/bash
# End-to-end check of the real program as a user meets it on a desktop: a virtual X
# display with a window manager (openbox) and an XEmbed notification area (trayer), on a
# D-Bus session of its own that has no StatusNotifier watcher, so Qt docks its icon in
# the XEmbed tray. Checked and photographed: the tray icon and its menu, minimising and
# restoring, F1 in the information window, the editor's close question while the editor
# is minimised, the archive window and a ZIP dragged onto a folder of the tree.
#
#   tests/e2e/wm_tray_e2e.sh [path/to/zelmo32] [screenshot folder]
#
# Exit status 0 when every step passed, 77 when a tool is missing (skipped).
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/zelmo32}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
shots=${2:-$(dirname "$program")/wm-tray-shots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

if [ -z "${ZELMO_WM_INNER:-}" ]; then
    for tool in xvfb-run xdotool xprop import openbox trayer dbus-run-session python3; do
        command -v "$tool" >/dev/null || { echo "wm-tray: $tool missing, skipped"; exit 77; }
    done
    ZELMO_WM_INNER=1 exec dbus-run-session -- \
        xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"
fi
. "$here/desktop_session.sh"

work=$(mktemp -d /var/tmp/zelmo-wm.XXXXXX 2>/dev/null || mktemp -d)
pid=""
trap 'kill "$pid" 2>/dev/null; stop_desktop; wait 2>/dev/null; rm -rf "$work"' EXIT

main_menu() { # key: the main window's context menu from the launcher strip, one mnemonic
    local n
    n=$(popups)
    geometry "$win"
    xdotool mousemove $((X + WIDTH - 15)) $((Y + 18)) click 3
    wait_for 5 "the context menu" more_windows "$n"
    xdotool key "$1"
}

start_desktop tray
mkdir -p "$work/data/into" "$work/data/docs"
cp "$here/../data/archive/japanese_utf8.zip" "$work/data/" || desktop_fail "no test archive"
convert -size 96x64 gradient:red-blue "$work/data/a.bmp" || desktop_fail "no picture"
printf 'hello\n' >"$work/data/docs/report.txt"
start_program C.UTF-8
shot start

# ---- Tray: the window leaves the screen, the icon docks in the tray, its menu opens.
main_menu g
wait_for 10 "the main window to leave for the tray" unmapped "$win"
icon=""
find_icon() {
    icon=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
    [ -n "$icon" ]
}
wait_for 10 "the tray icon" find_icon
geometry "$icon"
ix=$((X + WIDTH / 2)) iy=$((Y + HEIGHT / 2))
geometry "$trayer_win"
[ $ix -ge "$X" ] && [ $ix -lt $((X + WIDTH)) ] && [ $iy -ge "$Y" ] && [ $iy -lt $((Y + HEIGHT)) ] ||
    desktop_fail "the icon at $ix,$iy is not in the tray ($X,$Y ${WIDTH}x$HEIGHT)"
echo "wm-tray: the tray icon is docked at $ix,$iy"
shot tray-icon
n=$(popups)
xdotool mousemove "$ix" "$iy" click 3
wait_for 5 "the tray menu" more_windows "$n"
shot tray-menu
# The menu's first item, "ゼル君の目を覚ます", brings the window back.
xdotool key Down Return
wait_for 10 "the main window back from the tray" mapped "$win"
echo "wm-tray: back from the tray"

# ---- Minimise from the context menu; the window manager restores it.
main_menu i
wait_for 10 "the main window minimised" iconic "$win"
shot minimised
xdotool windowactivate "$win" 2>/dev/null
wait_for 10 "the main window restored" normal "$win"
wait_for 5 "the restored window shown" mapped "$win"
shot restored
echo "wm-tray: minimised and restored"

# ---- F1 in the information window opens its help page. (Its caption is "Information"
# until it is first activated.)
info_window() { visible '^各種情報$'; visible '^Information$'; }
info_shown() { [ -n "$(info_window)" ]; }
main_menu r
wait_for 10 "the information window" info_shown
info=$(info_window | head -1)
activate "$info"
xdotool key F1
wait_for 10 "the help window from the information window" shown 'ヘルプ$'
shot info-help
activate "$(visible 'ヘルプ$')"
xdotool key Escape
wait_for 5 "the help window to close" hidden 'ヘルプ$'
activate "$info"
xdotool key alt+F4
wait_for 5 "the information window to close" sh -c "! xprop -id $info WM_STATE | grep -q Normal"
echo "wm-tray: F1 in the information window"

# ---- The editor: a changed text closed while minimised shows its question.
activate "$win"
xdotool key F2
wait_for 10 "the editor" shown 'ゼル君'
ed=$(visible 'ゼル君')
activate "$ed"
geometry "$ed"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
xdotool type --delay 20 "changed"
xdotool key F4
wait_for 10 "the editor's close question" shown '^警告$'
wait_for 5 "the editor minimised behind its question" iconic "$ed"
shot editor-question
activate "$(visible '^警告$')"
xdotool key alt+n
wait_for 10 "the question answered" hidden '^警告$'
wait_for 10 "the editor closed" hidden 'ゼル君'
echo "wm-tray: the editor's question while minimised"

# ---- The preview: Space on the picture shows it (the main window goes to the tray);
# F1 there opens its help page; Escape closes both.
activate "$win"
geometry "$win"
wx=$X wy=$Y
xdotool mousemove $((wx + 292)) $((wy + 125)) click 1 # a.bmp, the list's first file
xdotool key space
wait_for 10 "the preview" shown '^1/2 '
preview=$(visible '^1/2 ')
activate "$preview"
xdotool key F1
wait_for 10 "the help window from the preview" shown 'ヘルプ$'
shot preview-help
activate "$(visible 'ヘルプ$')"
xdotool key Escape
wait_for 5 "the help window to close" hidden 'ヘルプ$'
activate "$preview"
xdotool key Escape
wait_for 10 "the main window back after the preview" mapped "$win"
echo "wm-tray: F1 in the preview"

# ---- The archive window on top, and the archive dragged from the list onto the tree's
# folder (the selected one, found by its highlight): the question, then the extraction.
activate "$win"
geometry "$win"
wx=$X wy=$Y
zx=$((wx + 292)) zy=$((wy + 176))
xdotool mousemove $zx $zy click 1
wait_for 15 "the archive window" shown 'japanese_utf8\.zip$'
shot archive-window
import -window "$win" "$work/tree.png"
row=$(convert "$work/tree.png" -crop 1x2000+60+0 +repage -depth 8 txt:- |
    awk -F'[,:]' '/#308CC6/ {print $2; exit}')
[ -n "$row" ] || desktop_fail "no selected folder in the tree"
tx=$((wx + 100)) ty=$((wy + row + 8))
xdotool mousemove $zx $zy mousedown 1
for i in $(seq 1 20); do
    xdotool mousemove $((zx + (tx - zx) * i / 20)) $((zy + (ty - zy) * i / 20))
    sleep 0.05
done
xdotool mousemove $((tx + 2)) $ty
sleep 0.2
xdotool mouseup 1
wait_for 10 "the extraction question" shown '^情報$'
shot extract-question
activate "$(visible '^情報$')"
xdotool key alt+y
wait_for 20 "the members extracted" test -f "$work/data/SETUP.EXE"
shot extracted
echo "wm-tray: the archive extracted by a drag onto the tree"

echo "wm-tray: PASS"
