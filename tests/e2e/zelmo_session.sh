# Sourced by the screenshot scripts. zelmo_prepare NAME makes a scratch folder $work with
# app/ (the program, its archive libraries and picture plug-ins) and data/ (where it starts)
# and removes it at the end; zelmo_start starts the program in data/ and waits for its main
# window: pid and win are set, the window focused, its geometry in X, Y.
zelmo_prepare() {
  work=$(mktemp -d "/var/tmp/zelmo-$1.XXXXXX")
  trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
  mkdir -p "$work/app" "$work/data" "$shots"
  cp "$program" "$work/app/zelmo32"
  cp "$(dirname "$program")"/lib*.so "$(dirname "$program")"/*.spi "$work/app/" 2>/dev/null
}
zelmo_start() {
  cd "$work/data" || exit 1
  LANG=C.UTF-8 QT_QPA_PLATFORM=xcb "$work/app/zelmo32" >"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 60); do
    win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.5
  done
  sleep 2
  xdotool windowfocus --sync "$win"; sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
}
