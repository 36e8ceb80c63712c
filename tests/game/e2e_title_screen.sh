#!/usr/bin/env bash
# The built program as a user meets it: started from its run folder on a
# virtual screen of its own, with SDL's disk audio driver recording what it
# plays. The title screen must show both buttons where the layout puts them
# (logical 640 x 360 drawn 2x on a 1280 x 720 client area), the start button
# must turn green under the mouse, and a click on exit must end the program
# with code 0 and its final line. The recorded audio must not be silent.
# Usage: e2e_title_screen.sh <quillfen in its run folder> <close tool>, on an X server of its own
set -euo pipefail

source "$(dirname "$0")/program_under_test.sh"

# awk tests on the three means: check <shot> <rect...> <awk condition on r g b>
check() {
  local rgb
  rgb="$(mean_rgb "$work/$1.png" "$2" "$3" "$4" "$5")"
  awk -v rgb="$rgb" "BEGIN { split(rgb, c, \" \"); r = c[1]; g = c[2]; b = c[3]; exit !($6) }"
}

# Client pixels of the two buttons: logical (220, 100) and (220, 170), 200 x 50.
start_rect=(440 200 400 100)
exit_rect=(440 340 400 100)
lit='r > 0.3 && g > 0.3 && b > 0.3'
green='g > 0.3 && r < 0.1 && b < 0.1'
dark='r < 0.05 && g < 0.05 && b < 0.05'

start_game
[ "$WIDTH" = 1280 ] && [ "$HEIGHT" = 720 ] || fail "client area ${WIDTH}x${HEIGHT}, not 1280x720"

# Start-up ends with the first presented frame. The pointer rests off the
# buttons meanwhile.
xdotool mousemove --window "$window" 100 100
for _ in $(seq 100); do
  shot title
  if check title "${start_rect[@]}" "$lit" && check title "${exit_rect[@]}" "$lit"; then break; fi
  sleep 0.2
done
check title "${start_rect[@]}" "$lit" || fail "no lit start button at (440, 200) 400 x 100"
check title "${exit_rect[@]}" "$lit" || fail "no lit exit button at (440, 340) 400 x 100"
# Nothing but black around and between them: the buttons are 2x, not 1x.
check title 440 300 400 40 "$dark" || fail "the gap between the buttons is not black"
check title 860 200 400 240 "$dark" || fail "right of the buttons is not black"
check title 0 200 420 240 "$dark" || fail "left of the buttons is not black"

xdotool mousemove --window "$window" 640 250
sleep 0.5
shot hover
check hover "${start_rect[@]}" "$green" || fail "the start button is not green under the mouse"
check hover "${exit_rect[@]}" "$lit" || fail "the exit button is not white while the mouse is on start"

xdotool mousemove --window "$window" 640 390
sleep 0.3
xdotool click 1
expect_clean_exit "the click on exit"

# The music as the disk driver wrote it: 16-bit stereo at 44100 Hz.
[ -s "$work/audio.raw" ] || fail "no audio was written"
peak="$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/audio.raw" -n stat 2>&1 |
  awk '/Maximum amplitude/ { print $3 }')"
awk -v p="$peak" 'BEGIN { exit !(p > 0.05) }' || fail "the recorded audio is silent (peak $peak)"
echo "PASS"
