# Sourced by the end-to-end scripts: starts an X server of the script's own
# (1280 x 720, 24 bits) and points DISPLAY at it, so no other program's
# window covers the game or takes its focus. Xvfb picks a free display
# number itself (-displayfd), so scripts running side by side never clash.
# The server ends with the script.
coproc OWN_XVFB { exec Xvfb -displayfd 1 -screen 0 1280x720x24 -nolisten tcp 2>/dev/null; }
read -r -t 30 own_display_number <&"${OWN_XVFB[0]}" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$own_display_number"
own_display_pid=$OWN_XVFB_PID
trap 'kill "$own_display_pid" 2>/dev/null || true' EXIT
# A program built with the thread sanitizer gets Mesa's rasteriser without
# worker threads, whose synchronisation the sanitizer cannot see.
if ldd "$1" 2>/dev/null | grep -q libtsan; then
  export LP_NUM_THREADS=0
fi
