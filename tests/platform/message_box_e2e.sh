#!/usr/bin/env bash
# The error box as a user meets it: the program fails at start-up and shows
# its box while its window keeps the pointer; the user answers it, or the
# program is killed meanwhile. Either way nothing of the program is left.
# Usage: message_box_e2e.sh <program> <close tool> <answer>
#   answer: return, escape, enter (the keypad's), click (on OK), close (the
#   box's close button), sigterm (the program is killed), long (Return on a
#   box whose text is far wider than the screen)
set -u
program=$1
close_tool=$2
answer=$3
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# A session of its own: whatever the program starts stays in it, findable
# after the program itself has gone.
mode=early_error
text="Could not initialise GLEW"
if [ "$answer" = long ]; then
  mode=long_error
  text=$(printf 'W%.0s' $(seq 21840))
fi
QUILLFEN_TEST_MODE=$mode setsid "$program" >"$out" 2>"$err" &
pid=$!

fail() {
  echo "FAIL ($answer): $*"
  pkill -KILL -s "$pid" 2>/dev/null
  echo "--- standard output:"; cat "$out"
  echo "--- standard error:"; cat "$err"
  exit 1
}

# The id of the top-level window with exactly this name ("" when none).
window_named() {
  xwininfo -root -tree | awk -v name="\"$1\":" '$2 == name {print $1; exit}'
}

box=""
for _ in $(seq 200); do
  box=$(window_named Error)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no message box"
# Where a user leaves the pointer: over the program's window, beside the box.
xdotool mousemove 100 100 || fail "pointer not moved"
sleep 0.2

case $answer in
  return|long) xdotool key Return ;;
  escape) xdotool key Escape ;;
  enter) xdotool key KP_Enter ;;
  click)
    geometry=$(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                                          / Width:/ {w=$2} / Height:/ {h=$2}
                                          END {print int(x + w / 2), y + h - 29}')
    xdotool mousemove $geometry click 1 ;;
  close) "$close_tool" "$box" || fail "close request not sent" ;;
  sigterm) kill -TERM "$pid" ;;
  *) fail "unknown answer" ;;
esac

for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program still runs: the box was not answered"
wait "$pid"
status=$?

# Nothing of the program outlives it: no process of its session, no box.
for _ in $(seq 20); do
  pgrep -s "$pid" >/dev/null || break
  sleep 0.1
done
left=$(pgrep -a -s "$pid")
[ -z "$left" ] || fail "left running: $left"
[ -z "$(window_named Error)" ] || fail "the box is still on the screen"

if [ "$answer" = sigterm ]; then
  [ "$status" -eq 143 ] || fail "exit status $status, not the signal's"
else
  [ "$status" -eq 0 ] || fail "exit code $status"
  final=$'\n[i] Reached end of main(), de-constructing...\n'
  [ "$(tail -c ${#final} "$out" | od -An -c)" = "$(printf '%s' "$final" | od -An -c)" ] ||
    fail "standard output does not end with the final line"
fi
[ "$(cat "$err")" = "Error: $text" ] || fail "standard error is not the one box line"
echo "ok ($answer)"
