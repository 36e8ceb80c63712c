#!/usr/bin/env bash
# Hostile set-ups as a user or an attacker makes them, each in a scratch copy
# of the run folder: a resolution far beyond what OpenGL can hold, a FIFO
# where the ship's picture should be, and a 10 MB line of '=' in
# "config.txt". The program must neither hang nor crash, must answer the
# user within seconds, and must leave nothing running behind it.
# Usage: e2e_hostile_input.sh <quillfen in its run folder> <close tool>, on an X server of its own
set -euo pipefail

source "$(dirname "$0")/program_under_test.sh"

# new_case <name>: $scratch, a copy of the run folder for the case.
new_case() {
  case_name="$1"
  scratch="$work/$1"
  stdout_file="$scratch/stdout"
  stderr_file="$scratch/stderr"
  copy_run_folder "$scratch"
}

# The top-level window with exactly this name ("" when none).
window_named() {
  xwininfo -root -tree | awk -v name="\"$1\":" '$2 == name {print $1; exit}'
}

# expect_title_within <seconds>: the title screen's start button (logical
# (220, 100), 200 x 50, drawn 2x) is lit within that many seconds of the
# launch.
expect_title_within() {
  local deadline=$((launched + $1))
  while [ "$SECONDS" -le "$deadline" ]; do
    shot title
    rgb="$(mean_rgb "$work/title.png" 440 200 400 100)"
    awk -v rgb="$rgb" 'BEGIN { split(rgb, c, " "); exit !(c[1] > 0.3 && c[2] > 0.3 && c[3] > 0.3) }' &&
      return 0
    sleep 0.2
  done
  fail "no title screen within $1 s of the launch"
}

# close_and_expect_exit [seconds]: the window manager's close request, then
# a clean exit with code 0 within that many seconds (10 by default).
close_and_expect_exit() {
  "$close_window" "$window" || fail "close request not sent"
  expect_clean_exit "the close request" "${1:-10}"
  echo "ok: $case_name"
}

# A resolution of 2147483647 x 2147483647: every render target is held to
# what the GL can hold, and the game runs and closes as usual.
new_case huge_resolution
sed -i 's/^resolution *=.*/resolution = 2147483647,2147483647/' "$scratch/config.txt"
grep -q '^resolution = 2147483647,2147483647$' "$scratch/config.txt" || fail "no resolution line to change"
launched=$SECONDS
start_game "$scratch"
sleep 3
kill -0 "$pid" 2>/dev/null || fail "ended on its own"
shot huge
rgb="$(mean_rgb "$work/huge.png" 0 0 "$WIDTH" "$HEIGHT")"
awk -v rgb="$rgb" 'BEGIN { split(rgb, c, " "); exit !(c[1] < 0.5 && c[2] < 0.5 && c[3] < 0.5) }' ||
  fail "the window is painted white ($rgb): an incomplete target was composited"
# Three targets of GL's largest size are gigabytes of memory: the thread
# sanitizer's build takes half a minute to give them back.
close_and_expect_exit 60

# A 10 MB line of '=' in "config.txt": the title screen within 5 s.
new_case long_config_line
head -c 10000000 /dev/zero | tr '\0' '=' >>"$scratch/config.txt"
echo >>"$scratch/config.txt"
launched=$SECONDS
start_game "$scratch"
expect_title_within 5
close_and_expect_exit

# A FIFO as the ship's picture: "Could not load graphics" within 5 s,
# Escape answers the box, the program ends with code 0, and nothing of it
# (no process of its session, no box) is left.
new_case fifo_as_ship
rm "$scratch/images/ship.png"
mkfifo "$scratch/images/ship.png"
launched=$SECONDS
(cd "$scratch" && exec setsid "$program" >stdout 2>stderr) &
pid=$!
box=""
while [ "$SECONDS" -le $((launched + 5)) ]; do
  box="$(window_named Error)"
  [ -n "$box" ] && break
  kill -0 "$pid" 2>/dev/null || fail "ended without a box"
  sleep 0.1
done
[ -n "$box" ] || fail "no box within 5 s: start-up hangs on the FIFO"
grep -q -F 'Could not load graphics' "$stderr_file" || fail "the box does not say \"Could not load graphics\""
sleep 0.3
xdotool key Escape
session=$pid
expect_clean_exit "Escape on the box"
for _ in $(seq 20); do
  pgrep -s "$session" >/dev/null || break
  sleep 0.1
done
left="$(pgrep -a -s "$session" || true)"
[ -z "$left" ] || fail "left running: $left"
[ -z "$(window_named Error)" ] || fail "the box is still on the screen"
echo "ok: $case_name"
echo "PASS"
