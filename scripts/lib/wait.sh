# Sourced by the scripts that wait for something to come up or go away.
# wait_for TENTHS COMMAND...: runs the command every tenth of a second until it succeeds, at
# most TENTHS times.
wait_for() {
  local tries
  for tries in $(seq "$1"); do
    "${@:2}" && return 0
    sleep 0.1
  done
  return 1
}
