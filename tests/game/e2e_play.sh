#!/usr/bin/env bash
# Play as a user meets it: the built program started from its run folder on
# a virtual screen of its own, the start button clicked, SHOOT held for
# twelve seconds while the mouse sweeps the lower screen. (The golden replay
# covers minutes of the play itself; this proves the real program plays.)
# Screenshots must show the ship under the mouse, enemies, stars, the health
# bar and a SCORE text that changes; the program must survive and end with
# code 0 when its window is closed. Under the asan preset the same run must
# report nothing.
# Usage: e2e_play.sh <quillfen in its run folder> <close tool>, on an X server of its own
set -euo pipefail

source "$(dirname "$0")/program_under_test.sh"

# Pixels of a client rectangle whose colour passes an awk test on r g b
# (0 to 255): count <shot> <x> <y> <width> <height> <condition>
count() {
  convert "$work/$1.png" -crop "$4x$5+$((origin_x + $2))+$((origin_y + $3))" +repage \
    -format %c histogram:info:- |
    awk -v cond="$6" '
      { n = $1 + 0; split(substr($2, 2, length($2) - 2), c, ","); r = c[1]; g = c[2]; b = c[3] }
      '"$6"' { total += n }
      END { print total + 0 }'
}
near() { # near <value> <target>: within 6 of it
  echo "(($1) >= ($2) - 6 && ($1) <= ($2) + 6)"
}
colour() { # colour r g b: a condition for that colour, each channel within 6
  echo "$(near r "$1") && $(near g "$2") && $(near b "$3")"
}
# The art's own colours (the body colour of each picture) and the
# game's: the play field, a star (grey at half alpha over the field, so blue
# 15 above red and green), the health bar's green and red.
ship_colour="$(colour 176 188 212)"
enemy_colour="($(colour 86 190 70)) || ($(colour 150 92 214)) || ($(colour 222 96 48))"
field_colour="$(colour 45 45 75)"
star_colour="(r == g && b - r >= 13 && b - r <= 17 && r >= 80)"
bar_colour="($(colour 63 219 6)) || ($(colour 190 48 49))"

start_game

# The title screen is up once the start button (logical (220, 100), 200 x
# 50, drawn 2x) is lit; then it is clicked.
for _ in $(seq 100); do
  shot title
  [ "$(count title 440 200 400 100 'r > 150 && g > 150 && b > 150')" -gt 20000 ] && break
  sleep 0.2
done
xdotool mousemove --window "$window" 640 250
sleep 0.3
xdotool click 1
sleep 0.5
xdotool windowfocus --sync "$window" || true
xdotool keydown space

# Twelve seconds of sweeping the lower screen with SHOOT held. Each second
# the mouse moves in small steps; screenshots are taken at the listed
# seconds, each with the mouse position of the moment.
declare -A mouse_at
play_seconds=12
shots=(2 5 8 11)
first=${shots[0]}
last=${shots[-1]}
start=$SECONDS
step=0
while [ $((SECONDS - start)) -lt $play_seconds ]; do
  kill -0 "$pid" 2>/dev/null || fail "the program ended during play"
  phase=$((step % 80))
  [ $phase -lt 40 ] && x=$((120 + phase * 26)) || x=$((120 + (80 - phase) * 26))
  y=$((560 + (step % 14) * 6))
  xdotool mousemove --window "$window" "$x" "$y"
  step=$((step + 1))
  elapsed=$((SECONDS - start))
  for s in "${shots[@]}"; do
    if [ "$elapsed" -ge "$s" ] && [ -z "${mouse_at[$s]:-}" ]; then
      sleep 0.1
      shot "play$s"
      mouse_at[$s]="$x $y"
    fi
  done
  sleep 0.25
done
xdotool keyup space

# Every screenshot: the play field, stars and the ship's health bar
# (logical (40, 320) to (290, 330), drawn 2x).
for s in "${shots[@]}"; do
  [ -n "${mouse_at[$s]:-}" ] || fail "no screenshot at second $s"
  [ "$(count "play$s" 0 0 1280 720 "$field_colour")" -gt 300000 ] ||
    fail "second $s: the play field's colour does not fill the screen"
  stars="$(count "play$s" 0 0 1280 720 "$star_colour")"
  [ "$stars" -gt 8 ] || fail "second $s: no stars ($stars pixels)"
  bar="$(count "play$s" 80 640 500 20 "$bar_colour")"
  [ "$bar" -gt 8000 ] || fail "second $s: no health bar ($bar pixels)"
done
# The ship under the mouse at the start: its 32 x 32 picture drawn 2x.
read -r x y <<<"${mouse_at[$first]}"
ship="$(count "play$first" $((x - 40)) $((y - 40)) 80 80 "$ship_colour")"
[ "$ship" -gt 100 ] || fail "no ship under the mouse at ($x, $y) ($ship pixels)"
# Enemies on some screenshot, by the colours of their pictures.
enemies=0
for s in "${shots[@]}"; do
  n="$(count "play$s" 0 0 1280 720 "$enemy_colour")"
  [ "$n" -gt "$enemies" ] && enemies=$n
done
[ "$enemies" -gt 200 ] || fail "no enemies on any screenshot ($enemies pixels)"
# The SCORE text (logical (10, 20), a 20 px font): white pixels at the top
# left, and a different picture of it at the end of play than at its start.
text="$(count "play$first" 16 8 300 44 'r > 200 && g > 200 && b > 200')"
[ "$text" -gt 100 ] || fail "no SCORE text at the top left ($text pixels)"
for s in "$first" "$last"; do
  convert "$work/play$s.png" -crop "300x44+$((origin_x + 16))+$((origin_y + 8))" +repage \
    "$work/score$s.png"
done
changed="$(compare -metric AE "$work/score$first.png" "$work/score$last.png" null: 2>&1 || true)"
[ "${changed%% *}" -gt 50 ] || fail "the SCORE text did not change ($changed pixels differ)"

# Closed like a user closes it: the program ends by itself, with code 0.
"$close_window" "$window" || fail "close request not sent"
expect_clean_exit "the window was closed"
grep -q "ERROR: \(Address\|Leak\|Undefined\)Sanitizer\|runtime error:" "$stderr_file" &&
  fail "the sanitizers reported a fault"
echo "PASS (enemy pixels $enemies, ship pixels $ship)"
