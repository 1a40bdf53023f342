# What the fixture scripts (test-server here, test-domain and test-keyring in tests/credentials)
# share. Each sets fixture (its name) and synopsis before sourcing this file.

die() { echo "$fixture: $*" >&2; exit 1; }
usage() { die "usage: $synopsis"; }

# Leaves the reason in DIR/unavailable and exits with 77 (the tests skip and say why): only
# for a machine where the service cannot run at all, never for one that fails to start.
unavailable() {
    echo "$2" >"$1/unavailable"
    echo "$fixture: $2" >&2
    exit 77
}

# True when something accepts connections on ADDRESS:PORT (a server of its own, or one bound
# to every address). Loopback refuses at once when nobody listens.
listening() { timeout 2 bash -c "exec 3<>/dev/tcp/$1/$2" 2>/dev/null; }

require_loopback() { [[ "$1" =~ ^127\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "$1 is not a loopback address"; }

# The processes named by those of the pid files that are alive.
live_pids() {
    local file
    for file in "$@"; do
        [ -s "$file" ] && kill -0 "$(cat "$file")" 2>/dev/null && cat "$file"
    done
    return 0
}

# Signals each of the PIDS (one word, blank-separated) with the process group it leads, if any.
signal_daemons() {
    local pid
    for pid in $2; do kill "-$1" -- "-$pid" 2>/dev/null || kill "-$1" "$pid" 2>/dev/null || true; done
}

gone() {
    local pid
    for pid in $1; do
        { kill -0 -- "-$pid" || kill -0 "$pid"; } 2>/dev/null && return 1
    done
    return 0
}

# stop_daemons DIR WHAT: TERM to the script's daemon_pids of DIR, then KILL to whatever of them
# is left after 10 s; WHAT names them in the messages.
stop_daemons() {
    local pids
    pids=$(daemon_pids "$1")
    [ -n "$pids" ] || { echo "$fixture: no $2 runs for $1"; return 0; }
    signal_daemons TERM "$pids"
    wait_for 100 gone "$pids" && { echo "$fixture: stopped the $2 for $1"; return 0; }
    signal_daemons KILL "$pids"
    echo "$fixture: killed the $2 for $1"
}

# wait_for TENTHS COMMAND...: the scripts' one poll loop.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wait.sh"

# The start and stop commands, with their arguments checked.
run_command() {
    case "${1:-}" in
    # A fixture that sets takes_settings takes extra smb.conf lines after the address.
    start) [ $# -ge 2 ] && { [ $# -le 3 ] || [ -n "${takes_settings:-}" ]; } || usage; start "${@:2}" ;;
    stop) [ $# -eq 2 ] || usage; stop "$2" ;;
    *) usage ;;
    esac
}
