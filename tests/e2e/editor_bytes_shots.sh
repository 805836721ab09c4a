#!/bin/bash
# The real program's editor on texts that are not plain UTF-8, photographed: a Latin-1
# text, an EUC-JP text and a text holding NUL bytes, each the only file of the folder,
# selected and opened with F2.
#   tests/e2e/editor_bytes_shots.sh build/zelmo32 build/editor-bytes-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
shot() { # NAME, then the file's bytes as a printf format
  (
    zelmo_prepare "bytes-$1"
    mkdir -p "$work/data/docs"
    printf "$2" >"$work/data/docs/$1.txt"
    zelmo_start
    xdotool key Down; sleep 1.5
    xdotool mousemove $((X + 292)) $((Y + 125)) click 1; sleep 1
    xdotool key F2; sleep 2
    ed=$(xdotool search --onlyvisible --pid "$pid" --name 'ゼル君' 2>/dev/null | tail -1)
    [ -n "$ed" ] || { import -window root "$shots/$1-failure.png"; cat "$work/log"; exit 1; }
    xdotool windowfocus --sync "$ed"; sleep 1
    import -window "$ed" "$shots/$1.png"
    echo "$1: $shots/$1.png"
  )
}
shot latin1 'Caf\xe9 cr\xe8me br\xfbl\xe9e\r\nna\xefve fa\xe7ade \xa9 2024\r\n'
shot euc-jp '\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xc6\xa5\xad\xa5\xb9\xa5\xc8\n\xc8\xbe\xb3\xd1\x8e\xb6\x8e\xc5 EUC-JP\n'
shot nul 'before\0after\nsecond line \0\0 two NULs\n'
