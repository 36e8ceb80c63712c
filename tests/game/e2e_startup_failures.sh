#!/usr/bin/env bash
# Each start-up failure as a user meets it: the built program started from a
# scratch copy of its run folder that lacks one thing shows exactly one
# message box titled "Error" with its text; once the box's OK is clicked the
# program ends with code 0 and its final line.
# Usage: e2e_startup_failures.sh <quillfen in its run folder> <close tool>, on an X server of its own
set -euo pipefail

source "$(dirname "$0")/program_under_test.sh"

# The geometry WxH+X+Y of every top-level window named "Error", one a line.
error_boxes() {
  xwininfo -root -tree | awk '/"Error":/' | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' || true
}

# try <case name> <box text> <command preparing the scratch folder>
try() {
  case_name="$1"
  local text="$2"
  scratch="$work/$case_name"
  stdout_file="$scratch/stdout"
  stderr_file="$scratch/stderr"
  copy_run_folder "$scratch"
  (cd "$scratch" && eval "$3")

  (cd "$scratch" && exec "$program" >stdout 2>stderr) &
  pid=$!
  local boxes=""
  for _ in $(seq 200); do
    boxes="$(error_boxes)"
    [ -n "$boxes" ] && break
    kill -0 "$pid" 2>/dev/null || fail "ended without a box"
    sleep 0.1
  done
  [ -n "$boxes" ] || fail "no box within 20 s"
  sleep 0.5
  boxes="$(error_boxes)"
  [ "$(echo "$boxes" | wc -l)" = 1 ] || fail "more than one box: $boxes"

  # The box's OK button, centred near its bottom edge.
  local w h x y
  IFS='x+' read -r w h x y <<<"$boxes"
  xdotool mousemove $((x + w / 2)) $((y + h - 27)) click 1

  expect_clean_exit "the box was closed"
  # The layer writes each box's text to standard error as well.
  [ "$(grep -c -F -- "$text" "$scratch/stderr")" = 1 ] || fail "the box text \"$text\" not once"
  [ -z "$(error_boxes)" ] || fail "a box is left"
  echo "ok: $case_name"
}

try no_config 'Could not load "config.txt"' 'rm config.txt'
try no_factory 'Could not load "factory.txt"' 'rm factory.txt'
try no_sounds_section 'Could not load sounds' \
  "sed -i '/^\\[sounds\\]/,\$d' factory.txt"
try missing_texture 'Could not load graphics' 'rm images/ship.png'
grep -q 'Sound::load: Could not find \[sounds\] section' "$work/no_sounds_section/stdout" ||
  { case_name=no_sounds_section; stdout_file="$work/no_sounds_section/stdout"; fail "no [sounds] message"; }
echo "PASS"
