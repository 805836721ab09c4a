#!/bin/bash
# End-to-end check of the real program on a virtual X display: first start without a
# settings file (only one launcher slot registered beforehand), open a folder in the
# tree, select a file, start the slot's script with it, then the window modes (viewer
# closed, maximised, zoomed), each photographed.
#
#   tests/e2e/run_e2e.sh [path/to/zelmo32] [screenshot folder]
#
# Needs xvfb-run, xdotool and ImageMagick's import. Without a display of its own it
# starts one. Exit status 0 when the script received the selected file's path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/zelmo32}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
shots=${2:-$(dirname "$program")/e2e-shots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

if [ -z "${ZELMO_E2E_INNER:-}" ]; then
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null || { echo "e2e: $tool missing, skipped"; exit 77; }
    done
    ZELMO_E2E_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"
fi

# /var/tmp is usually nearly empty, which keeps the tree in the pictures short.
work=$(mktemp -d /var/tmp/zelmo-e2e.XXXXXX 2>/dev/null || mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT

# The program alone in a folder of its own: its settings file is made beside it.
mkdir -p "$work/app" "$work/data/docs" "$work/data/misc"
cp "$program" "$work/app/zelmo32"
printf 'hello\n' >"$work/data/docs/report.txt"
printf 'notes\n' >"$work/data/docs/notes.txt"
printf 'other\n' >"$work/data/misc/other.txt"
marker="$work/marker"
cat >"$work/slot.sh" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >"$marker"
SCRIPT
chmod +x "$work/slot.sh"
printf '[Page1]\nBPFileName0=%s\n' "$work/slot.sh" >"$work/app/zelmo32.INI"

fail() {
    echo "e2e: FAIL: $*"
    import -window root "$shots/failure.png" 2>/dev/null
    exit 1
}
shot() { # name: the main window as it is now
    sleep 1
    import -window "$win" "$shots/$1.png" || fail "screenshot $1"
    echo "e2e: $shots/$1.png"
}
geometry() { # sets X Y W H of the main window
    eval "$(xdotool getwindowgeometry --shell "$win")"
}
click() { # x y [button], relative to the window
    geometry
    xdotool mousemove $((X + $1)) $((Y + $2)) click "${3:-1}"
    sleep 0.5
}
menu() { # the context menu from the launcher strip, then one mnemonic key
    geometry
    click $((WIDTH - 15)) 18 3 # the page panel right of the slots, whatever the zoom
    sleep 0.5
    xdotool key "$1"
    sleep 1.5
}

cd "$work/data" || exit 1 # the tree opens on the current directory the first time
LANG=C.UTF-8 QT_QPA_PLATFORM=xcb "$work/app/zelmo32" >"$work/log" 2>&1 &
pid=$!
win=""
for _ in $(seq 60); do
    win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.5
done
[ -n "$win" ] || fail "no main window"
sleep 2
[ -f "$work/app/zelmo32.INI" ] || fail "no settings file"
grep -q '^ViewerStyle=1' "$work/app/zelmo32.INI" || fail "viewer style not written"

# Open the folder "docs": the tree has the keyboard and stands on data; docs is next.
# (Without a window manager nobody gives the window the keyboard: we do.)
xdotool windowfocus --sync "$win" 2>/dev/null
sleep 0.5
xdotool key Down
sleep 1.5
# Select the first file of the list, then click the slot holding the script.
click 292 125
click 23 19
for _ in $(seq 20); do
    [ -s "$marker" ] && break
    sleep 0.5
done
[ -s "$marker" ] || fail "the script did not run"
got=$(cat "$marker")
[ "$got" = "$work/data/docs/notes.txt" ] || fail "the script received '$got'"
echo "e2e: the script received $got"
shot viewer-open

menu c
geometry
[ "$HEIGHT" -lt 100 ] || fail "closed viewer is $HEIGHT pixels high"
shot viewer-closed

menu o
menu v
sleep 1
geometry
[ "$WIDTH" -ge 1000 ] || fail "maximised window is $WIDTH pixels wide"
shot maximised

menu n
menu u
menu u
shot zoomed
echo "e2e: PASS"
