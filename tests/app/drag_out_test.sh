#!/usr/bin/env bash
# A real drag of tree rows onto another program's window, under Xvfb with a
# window manager: the leaf arrives as its export file, the branch as its
# folder tree; the drag's temporary files are gone once the program has
# ended.   drag_out_test.sh TEST   (TEST: app_test)
# Nothing is timed: the button goes up once the target has answered the drag
# over it twice (a release before the source has an answer cancels the drop).
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
# Under AddressSanitizer: the X platform's D-Bus library keeps a buffer to the end.
echo "leak:libdbus-1.so" >"$work/lsan"
export LSAN_OPTIONS="suppressions=$work/lsan${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
openbox >/dev/null 2>&1 &
# Windows mapped while the window manager starts may never be shown: it comes first.
for _ in $(seq 600); do xdotool get_num_desktops >/dev/null 2>&1 && break; sleep 0.1; done
"$program" --drag-source "$work" >"$work/rows" 2>/dev/null &
source=$!
"$program" --drop-target - >"$work/carried" 2>/dev/null &
# lines FILE PATTERN N [STEP]: polls, a minute at most, until N lines of FILE match PATTERN; STEP runs between polls.
lines() {
  for _ in $(seq 600); do [ "$(grep -c "$2" "$1")" -ge "$3" ] && return 0; eval "${4:-}"; sleep 0.1; done
  echo "no $3 lines $2 in $1" && return 1
}
lines "$work/rows" . 2  # both windows shown
lines "$work/carried" ^ready 1
frame=$(xdotool search --name "Tazor Custom File Viewer" | head -1)
target=$(xdotool search --name "cfv drop target" | head -1)
# Apart, wherever the window manager put the small source: a click raises
# it, and it must not then cover the target.
xdotool windowmove --sync "$target" 1050 500
row=0
while read -r x y; do
  row=$((row + 1)) overs=$(($(grep -c ^over "$work/carried" || true) + 2))
  xdotool mousemove --window "$frame" "$x" "$y" mousedown 1
  for step in 4 8 12 16 20; do xdotool mousemove --window "$frame" $((x + step)) "$y"; done
  lines "$work/carried" ^over $overs 'xdotool mousemove --window "$target" $((100 + RANDOM % 20)) 100'
  xdotool mouseup 1
  lines "$work/carried" ^/ $row
done <"$work/rows"
mapfile -t paths < <(grep ^/ "$work/carried")
for path in "${paths[@]}"; do diff -r "$work/expected/$(basename "$path")" "$path"; done
touch "$work/quit"
wait "$source"
for path in "${paths[@]}"; do [ ! -e "$path" ] || { echo "left behind: $path"; exit 1; }; done
