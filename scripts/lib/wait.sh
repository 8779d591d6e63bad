# shellcheck shell=bash
# Bounded waits for the scripts: every wait polls for the thing it needs and gives up after a
# limit, instead of sleeping a fixed time that is too long on a quiet machine and too short on a
# busy one. Sourced, not run.

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tenths=$1 i
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Whether something accepts connections on 127.0.0.1:$1.
port_answers() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Starts the simulator $1 with the arguments after it in the background and returns once it
# listens (it says so on its first line, whichever port it was given), or fails if it ended first
# or took longer than 10 s. Sets simulator_pid and simulator_address (http://127.0.0.1:PORT).
start_simulator() {
    local program=$1 output
    shift
    output="$(mktemp)"
    "$program" "$@" >"$output" &
    simulator_pid=$!
    simulator_address=""
    listening_or_ended() {
        simulator_address="$(sed -n 's/^listening on //p' "$output")"
        [[ -n "$simulator_address" ]] || ! kill -0 "$simulator_pid" 2>/dev/null
    }
    wait_for 100 listening_or_ended
    [[ -n "$simulator_address" ]] || cat "$output" >&2 # --help, for one
    rm -f "$output" # the simulator says nothing more on its output
    [[ -n "$simulator_address" ]]
}
