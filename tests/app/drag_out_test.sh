#!/usr/bin/env bash
# A real drag of tree rows onto another program's window, under Xvfb with a
# window manager: the leaf arrives as its export file, the branch as its
# folder tree; the drag's temporary files are gone once the program has
# ended.   drag_out_test.sh TEST   (TEST: app_test)
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
# Under AddressSanitizer: the X platform's D-Bus library keeps a buffer to the end.
echo "leak:libdbus-1.so" >"$work/lsan"
export LSAN_OPTIONS="suppressions=$work/lsan${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
openbox >/dev/null 2>&1 &
"$program" --drag-source "$work" >"$work/rows" 2>/dev/null &
source=$!
frame=$(xdotool search --sync --name "Tazor Custom File Viewer" | head -1)
"$program" --drop-target - >"$work/carried" 2>/dev/null &
target=$(xdotool search --sync --name "cfv drop target" | head -1)
xdotool windowmove --sync "$target" 1050 500
# Waits up to 10 s for a condition; the steps below only pace the pointer.
wait_for() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; return 1; }
wait_for '[ "$(wc -l <"$work/rows")" -ge 2 ]'
while read -r x y; do
  xdotool mousemove --window "$frame" "$x" "$y" mousedown 1
  for step in 4 8 12 16 20; do xdotool mousemove --window "$frame" $((x + step)) "$y" sleep 0.05; done
  for step in 0 5 10; do xdotool mousemove --window "$target" $((100 + step)) 100 sleep 0.1; done
  xdotool mouseup 1 sleep 0.2
done <"$work/rows"
wait_for '[ "$(wc -l <"$work/carried")" -ge 2 ]' || { echo "not dropped"; exit 1; }
while read -r path; do diff -r "$work/expected/$(basename "$path")" "$path"; done <"$work/carried"
touch "$work/quit"
wait "$source"
while read -r path; do [ ! -e "$path" ] || { echo "left behind: $path"; exit 1; }; done <"$work/carried"
