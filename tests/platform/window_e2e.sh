#!/usr/bin/env bash
# The program as a user meets it: started, looked at and closed from outside,
# its exit code and its last words checked.
# Usage: window_e2e.sh <program> <close tool> <mode>   (modes: test_program.cpp)
set -u
program=$1
close_tool=$2
mode=$3
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

QUILLFEN_TEST_MODE=$mode "$program" >"$out" 2>"$err" &
pid=$!

fail() {
  echo "FAIL ($mode): $*"
  kill "$pid" 2>/dev/null
  echo "--- standard output:"; cat "$out"
  echo "--- standard error:"; cat "$err"
  exit 1
}

# The id of the top-level window with exactly this name, waiting for it.
# (xdotool's search misses the message box, whose name is UTF-8 only.)
find_window() {
  for _ in $(seq 200); do
    id=$(xwininfo -root -tree | awk -v name="\"$1\":" '$2 == name {print $1; exit}')
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

case $mode in
  wait)
    window=$(find_window 'Quillfen!') || fail "no window named Quillfen!"
    [ "$(xdotool getwindowname "$window")" = "Quillfen!" ] || fail "window name"
    size=""
    for _ in $(seq 100); do
      size=$(xwininfo -id "$window" | awk '/ Width:/ {w=$2} / Height:/ {h=$2} END {print w "x" h}')
      [ "$size" = "1280x720" ] && break
      sleep 0.1
    done
    [ "$size" = "1280x720" ] || fail "client area $size, not 1280x720"
    "$close_tool" "$window" || fail "close request not sent"
    ;;
  early_error|fail_*)
    box=$(find_window Error) || fail "no message box"
    xdotool windowfocus --sync "$box" key Return || fail "message box not answered"
    ;;
esac

for _ in $(seq 200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit code $status"

final=$'\n[i] Reached end of main(), de-constructing...\n'
[ "$(tail -c ${#final} "$out" | od -An -c)" = "$(printf '%s' "$final" | od -An -c)" ] ||
  fail "standard output does not end with the final line"

case $mode in
  early_error) expected="Error: Could not initialise GLEW" ;;
  late_error) expected="Error: Too late" ;;
  fail_class) expected="Error: Class registration failed!" ;;
  fail_create) expected="Error: Window creation failed!" ;;
  fail_raw) expected="Error: Input device registration failed!" ;;
  *) expected="" ;;
esac
if [ -n "$expected" ]; then
  [ "$(cat "$err")" = "$expected" ] || fail "standard error is not the one box line"
else
  [ ! -s "$err" ] || fail "unexpected standard error"
fi
echo "ok ($mode)"
