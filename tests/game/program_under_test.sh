# Sourced by the end-to-end scripts, which run on an X server of their own
# (tests/own_display.sh) and are given: <quillfen in its run folder>
# <the close tool>. Provides the scratch folder, failure reports,
# screenshots, the window manager's close request and the check that the
# program ends cleanly.
program="$(realpath "$1")"
close_window="$(realpath "$2")"
work="$(mktemp -d)"
pid=""
stdout_file="$work/stdout"
stderr_file="$work/stderr"
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Under the asan preset, leaks inside system libraries are not the game's.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../lsan.supp")}"

fail() {
  echo "FAIL${case_name:+ ($case_name)}: $*"
  echo "--- standard output (last lines):"; tail -n 40 "$stdout_file" || true
  echo "--- standard error (last lines):"; tail -n 40 "$stderr_file" || true
  exit 1
}

shot() { import -window root "$work/$1.png"; }

# Mean red, green and blue (0 to 1) of a rectangle of the client area in a
# screenshot: mean_rgb <shot> <x> <y> <width> <height>
mean_rgb() {
  convert "$1" -crop "$4x$5+$((origin_x + $2))+$((origin_y + $3))" +repage \
    -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:
}

# copy_run_folder <folder>: the run folder's files, without the program.
copy_run_folder() {
  mkdir -p "$1"
  (cd "$(dirname "$program")" && tar --exclude=./quillfen -cf - .) | (cd "$1" && tar -xf -)
}

# start_game [folder]: the program from its run folder (or the folder
# given), with SDL's disk driver recording what it plays into
# $work/audio.raw; waits for its window and sets window, origin_x and
# origin_y (the client area's screen position), WIDTH and HEIGHT.
start_game() {
  cd "${1:-$(dirname "$program")}"
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" \
    "$program" >"$stdout_file" 2>"$stderr_file" &
  pid=$!
  window="$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillfen!$' | head -n 1)" ||
    fail "no window named Quillfen!"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  origin_x=$X
  origin_y=$Y
}

# expect_clean_exit <what ended it> [seconds]: the program ends within that
# many seconds (10 by default), with code 0 and main's final line.
expect_clean_exit() {
  local seconds="${2:-10}"
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "still running $seconds s after $1"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" = 0 ] || fail "exit code $status"
  [ "$(tail -n 1 "$stdout_file")" = "[i] Reached end of main(), de-constructing..." ] ||
    fail "the last line is not the end of main"
}
