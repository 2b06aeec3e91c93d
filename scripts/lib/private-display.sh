# A private virtual X display for one run, sourced by the scripts that need
# windows. Xvfb picks a free display number itself (-displayfd), so runs that
# share a machine never meet on one display.
#   start_private_display   starts it, waits until it accepts clients, exports
#                           DISPLAY and sets tv_display_pid; fails with a
#                           message when it cannot start
#   stop_private_display    stops it again (nothing when none was started)
tv_display_pid=""

start_private_display() {
  tv_display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tv_display_file" </dev/null >/dev/null 2>&1 &
  tv_display_pid=$!
  # Xvfb writes the number once it is ready for clients.
  tv_tries=0
  while ! grep -q '^[0-9][0-9]*$' "$tv_display_file" 2>/dev/null; do
    if ! kill -0 "$tv_display_pid" 2>/dev/null || [ "$tv_tries" -ge 300 ]; then
      kill "$tv_display_pid" 2>/dev/null || true
      rm -f "$tv_display_file"
      tv_display_pid=""
      echo "cannot start a virtual X display (Xvfb) within 30 s" >&2
      return 1
    fi
    sleep 0.1
    tv_tries=$((tv_tries + 1))
  done
  DISPLAY=":$(cat "$tv_display_file")"
  export DISPLAY
  rm -f "$tv_display_file"
}

stop_private_display() {
  [ -n "$tv_display_pid" ] || return 0
  kill "$tv_display_pid" 2>/dev/null || true
  wait "$tv_display_pid" 2>/dev/null || true
  tv_display_pid=""
}
