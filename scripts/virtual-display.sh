# A private virtual X server with a window manager, for running Zorvane
# without a display. Sourced by scripts/run-zorvane, the end-to-end tests
# (tests/e2e/lib.sh) and bench/run.

# wait_for <seconds> <command...>: runs the command every 0.05 s until it
# succeeds; false once the seconds have passed.
wait_for() {
    local seconds=$1 deadline
    shift
    deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

x_server_answers() { xdpyinfo >/dev/null 2>&1; }
# The window manager has taken over the screen and said what it supports:
# openbox sets _NET_SUPPORTED after _NET_SUPPORTING_WM_CHECK, and a client
# that asks for full screen (weston --fullscreen) refuses to start until it
# lists _NET_WM_STATE_FULLSCREEN.
window_manager_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' \
        && xprop -root _NET_SUPPORTED 2>/dev/null | grep -qw _NET_WM_STATE_FULLSCREEN
}
process_ended() { ! kill -0 "$1" 2>/dev/null; }

# end_processes pid...: ends each process with SIGTERM, then SIGKILL if it
# still runs 5 seconds later, and reaps it where it is this shell's child.
end_processes() {
    local pid
    for pid; do
        kill -TERM "$pid" 2>/dev/null || continue
        wait_for 5 process_ended "$pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

# start_virtual_display: starts Xvfb (1280 x 1024, 24 bits) on a display
# number nobody uses and openbox on it; exports DISPLAY and sets VIRTUAL_XVFB
# and VIRTUAL_WM to their process ids, for the caller to end. Returns 0 once
# openbox has taken over the screen and lists what it supports (a window
# mapped while the window manager is still taking over can stay unmapped);
# 1 when the X server did not start within 10 seconds; 2 when openbox did not
# take over within 10 seconds, or ended before it did five times running.
start_virtual_display() {
    # Xvfb picks the display number itself and writes it to the given file
    # descriptor, so that two virtual displays never collide.
    local displayfd number=
    exec {displayfd}<> <(:)
    Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VIRTUAL_XVFB=$!
    read -r -t 10 -u "$displayfd" number || true
    exec {displayfd}<&-
    [[ -n $number ]] || return 1
    export DISPLAY=":$number"
    wait_for 5 x_server_answers || true
    # A window manager that ends before it takes over (on a loaded machine
    # openbox now and then ends at once with status 1, saying nothing, and has
    # done so three times in a row) is started again after a pause, four
    # times at the most, rather than waited for in vain.
    local attempt status
    for attempt in 1 2 3 4 5; do
        ((attempt > 1)) && sleep 0.5
        openbox >/dev/null 2>&1 &
        VIRTUAL_WM=$!
        wait_for 10 wm_running_or_ended "$VIRTUAL_WM" || return 2
        process_ended "$VIRTUAL_WM" || return 0
        wait "$VIRTUAL_WM"
        status=$?
        echo "virtual-display: openbox ended with status $status before it took over $DISPLAY (attempt $attempt)" >&2
        # What it may have set on the root window must not pass for the next
        # one having taken over.
        xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null
        xprop -root -remove _NET_SUPPORTED 2>/dev/null
        wait_for 5 x_server_answers || true
    done
    VIRTUAL_WM=
    return 2
}

wm_running_or_ended() { window_manager_running || process_ended "$1"; }

# stop_virtual_display: ends the window manager and the X server started by
# start_virtual_display, each given 5 seconds after SIGTERM before SIGKILL,
# and reaps them. Safe under set -e.
stop_virtual_display() {
    end_processes ${VIRTUAL_WM:-} ${VIRTUAL_XVFB:-}
    VIRTUAL_WM= VIRTUAL_XVFB=
}
