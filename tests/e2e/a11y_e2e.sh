#!/bin/bash
# The real program on the accessibility bus: a private D-Bus session with the AT-SPI bus,
# a virtual X display, and a folder holding a Shift-JIS name and a name with a line break.
# tests/e2e/a11y_check.py reads the file list's items, moves through them with the
# keyboard, activates a text file, presses a registered launcher slot, reads the editor's
# Save as dialog (Qt's texts in Japanese under LANG=C.UTF-8) and opens a picture in the
# preview window through the selection image.
#
#   tests/e2e/a11y_e2e.sh [path/to/zelmo32]
#
# Exit status 0 when every check passed, 77 when a tool it needs is missing.
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/zelmo32}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

# Debian's own Python, which has the GObject bindings (not one a version manager put first).
py=/usr/bin/python3
[ -x "$py" ] || py=python3

if [ -z "${ZELMO_A11Y_INNER:-}" ]; then
    for tool in xvfb-run xdotool dbus-run-session convert "$py"; do
        command -v "$tool" >/dev/null || { echo "a11y: $tool missing, skipped"; exit 77; }
    done
    [ -x /usr/libexec/at-spi-bus-launcher ] || { echo "a11y: at-spi2-core missing, skipped"; exit 77; }
    "$py" -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
        { echo "a11y: gir1.2-atspi-2.0 missing, skipped"; exit 77; }
    ZELMO_A11Y_INNER=1 exec timeout -k 5 150 dbus-run-session -- \
        xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program"
fi

work=$(mktemp -d /var/tmp/zelmo-a11y.XXXXXX 2>/dev/null || mktemp -d)
pid=""
bus=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$bus" ] && kill "$bus" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

# The accessibility bus of this session (its registry starts on the first call).
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
bus=$!
for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true && break
    sleep 0.2
done

mkdir -p "$work/app" "$work/data/docs" "$work/bin"
cp "$program" "$work/app/zelmo32"
docs="$work/data/docs"
export TZ=UTC
printf 'hello\n' >"$docs/report.txt"
touch -d '2024-03-05 13:07:30' "$docs/report.txt"
printf 'abc' >"$docs/$(printf '\x83\x65\x83\x58\x83\x67.txt')" # テスト.txt in Shift-JIS
touch -d '2023-12-31 23:59:58' "$docs/$(printf '\x83\x65\x83\x58\x83\x67.txt')"
head -c 12345 /dev/zero >"$docs/line
break.txt"
touch -d '1999-01-02 03:04:05' "$docs/line
break.txt"
head -c 1048576 /dev/zero >"$docs/big.dat"
convert -size 40x20 xc:red "BMP3:$docs/pic.bmp"
touch -d '2024-03-05 13:07:00' "$docs/pic.bmp"
touch -d '2024-03-05 13:07:00' "$docs/big.dat"

# Documents open through xdg-open: a fake one notes what it was asked to open.
cat >"$work/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >>"$work/bin/opened.log"
SCRIPT
printf '#!/bin/sh\necho fake.desktop\n' >"$work/bin/xdg-mime"
cat >"$work/slot.sh" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >"$work/marker"
SCRIPT
chmod +x "$work/bin/xdg-open" "$work/bin/xdg-mime" "$work/slot.sh"
printf '[FormStyle]\nViewerStyle=1\nFilterCBox=1\noldDirPath=%s\n[Page1]\nBPFileName0=%s\n' \
    "$docs" "$work/slot.sh" >"$work/app/zelmo32.INI"

cd "$work/data" || exit 1
PATH="$work/bin:$PATH" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$work/app/zelmo32" >"$work/log" 2>&1 &
pid=$!
win=""
for _ in $(seq 60); do
    win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.5
done
[ -n "$win" ] || { echo "a11y: FAIL: no main window"; cat "$work/log"; exit 1; }
# Without a window manager nobody gives the window the keyboard: we do.
xdotool windowfocus --sync "$win" 2>/dev/null
timeout 100 "$py" "$here/a11y_check.py" "$pid" "$work"
status=$?
[ $status -eq 0 ] || { echo "a11y: the program's output:"; cat "$work/log"; }
exit $status
