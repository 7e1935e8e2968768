# A Wayland compositor for a scenario: weston with its X11 back-end, as a
# full-screen window on the scenario's Xvfb display. The X11 back-end gives
# the compositor a seat (keyboard and pointer); the headless back-end has
# none, and without a seat Qt 6.4's Wayland input-method code crashes when a
# file dialog opens. Keys that xdotool sends to the compositor's X window
# reach the Wayland surface that has the keyboard focus.
#
# Usage: source lib.sh; source weston.sh; e2e_start ...; weston_start || e2e_fail ...

WESTON_SOCKET=wayland-e2e

# weston names its window only in _NET_WM_NAME, which xdotool's name search
# does not read; its class is "Weston Compositor".
weston_x_window() {
    local ids
    ids=$(xdotool search --onlyvisible --class '^Weston Compositor$' 2>/dev/null) && [[ -n $ids ]] && head -1 <<<"$ids"
}

# Starts weston on the X display; exports WAYLAND_DISPLAY and sets WESTON_PID
# and WESTON_WINDOW (its X window, the one to send keys to). False when the
# compositor has no socket or no window within E2E_TIMEOUT seconds.
weston_start() {
    weston --backend=x11-backend.so --use-pixman --fullscreen --width=1280 --height=1024 --no-config --idle-time=0 \
        --socket="$WESTON_SOCKET" --log="$E2E_ROOT/weston.log" >/dev/null 2>&1 &
    WESTON_PID=$!
    if ! e2e_wait_for test -S "$XDG_RUNTIME_DIR/$WESTON_SOCKET" || ! WESTON_WINDOW=$(e2e_wait_for weston_x_window); then
        echo "weston_start: no socket or no window; its log ends:" >&2
        tail -n 15 "$E2E_ROOT/weston.log" >&2
        return 1
    fi
    export WAYLAND_DISPLAY=$WESTON_SOCKET
}

# Ends weston and the clients it started itself (its shell and on-screen
# keyboard), each given 5 seconds after SIGTERM before SIGKILL.
weston_stop() {
    local clients
    clients=$(pgrep -P "${WESTON_PID:-0}" 2>/dev/null)
    end_processes ${WESTON_PID:-} $clients
    WESTON_PID=
}
