#!/usr/bin/env bash
# Runs a command on an X server of its own. Windows of tests running in
# parallel on one server would take each other's focus and move each
# other's pointer; on a server of its own a test sees only its own windows.
set -u
display_file=$(mktemp)
# -noreset: the server would otherwise restart whenever its last client leaves
# (a test tool that just looked), refusing the program that connects then.
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
server=$!
for _ in $(seq 200); do
  [ -s "$display_file" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$display_file" ]; then
  echo "own_display.sh: Xvfb did not start" >&2
  rm -f "$display_file"
  exit 1
fi
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
