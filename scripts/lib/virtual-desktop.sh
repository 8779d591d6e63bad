# shellcheck shell=bash
# A virtual screen with a window manager, for the scripts that look at the real window the way a
# desktop shows it (title bar, _NET_WM_NAME, frame). Sourced, not run; needs xvfb, x11-utils,
# openbox, xdotool and imagemagick.
source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

# Processes ended when the script exits: the screen's, and whatever the script adds.
background_pids=()
desktop_dir=""

end_background() {
    local pid
    for pid in "${background_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [[ -z "$desktop_dir" ]] || rm -rf "$desktop_dir"
}

window_manager_runs() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}

# Starts Xvfb (1280x800, 24 bits) and openbox, exports DISPLAY and returns once the window manager
# runs; says on stderr what failed otherwise. Sets an EXIT trap that ends both (and every process
# in background_pids).
start_virtual_desktop() {
    desktop_dir="$(mktemp -d)"
    trap end_background EXIT
    # Xvfb picks a free display itself: a display taken by another user's server may show neither a
    # lock file nor a socket file here (abstract sockets), and would answer in its place.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$desktop_dir/display" 2>"$desktop_dir/Xvfb.log" &
    background_pids+=("$!")
    if ! wait_for 200 test -s "$desktop_dir/display"; then
        cat "$desktop_dir/Xvfb.log" >&2
        echo "Xvfb did not start" >&2
        return 1
    fi
    DISPLAY=":$(cat "$desktop_dir/display")"
    export DISPLAY
    # The title bars and _NET_WM_NAME handling of a real desktop.
    openbox >"$desktop_dir/openbox.log" 2>&1 &
    background_pids+=("$!")
    if ! wait_for 300 window_manager_runs; then
        cat "$desktop_dir/openbox.log" >&2
        echo "openbox did not start on $DISPLAY" >&2
        return 1
    fi
}

# Waits up to 20 s for a visible window of process $1 and sets window to its id.
wait_for_window_of() {
    window=""
    visible_window_of() {
        window="$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1)"
        [[ -n "$window" ]]
    }
    wait_for 200 visible_window_of "$1"
}

# The colour (#RRGGBB) of the pixel at $2,$3 of window $1, as drawn on the screen.
window_pixel() {
    import -window "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null |
        grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1
}

# The number of distinct colours in the $2x$3 rectangle at $4,$5 of window $1: 1 where nothing is
# drawn on a plain background.
window_colours() {
    import -window "$1" -crop "${2}x${3}+${4}+${5}" +repage -format '%k' info: 2>/dev/null
}
