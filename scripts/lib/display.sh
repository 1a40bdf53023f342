# Sourced by scripts/run, scripts/demo and scripts/windows-smoke: makes sure a display exists.
# Without DISPLAY it starts a virtual one (Xvfb with openbox as window manager), says so, and
# stops it when the sourcing script ends.
. "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

display_up() { xdpyinfo >/dev/null 2>&1; }

ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local display=:${TARNWICK_DISPLAY:-77}
  echo "no DISPLAY; starting a virtual display $display (Xvfb + openbox)."
  echo "  screenshot: DISPLAY=$display import -window root shot.png"
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  display_pids=$!
  export DISPLAY=$display
  wait_for 50 display_up || { echo "Xvfb did not start on $display" >&2; return 1; }
  openbox >/dev/null 2>&1 &
  display_pids="$display_pids $!"
}

stop_display() {
  # shellcheck disable=SC2086
  [ -z "${display_pids:-}" ] || kill $display_pids 2>/dev/null || true
}
