# Shared helpers of the end-to-end scenarios. Each scenario runs the real
# program under its own Xvfb display with openbox, with its own HOME and XDG
# folders, and gives up after a bounded time.
#
# Usage in a scenario:  source lib.sh; e2e_start <name> <program>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtual-display.sh"

E2E_TIMEOUT=${E2E_TIMEOUT:-20}   # seconds to wait for any one window or file

e2e_fail() {
    echo "FAIL: $*" >&2
    e2e_shot "failure"
    exit 1
}

e2e_log() { echo "[$E2E_NAME] $*"; }

# Starts a private X server and window manager, and isolates the user folders.
e2e_start() {
    E2E_NAME=$1
    E2E_PROGRAM=$2
    E2E_SHOTS=${E2E_SHOTS:-$(dirname "$(dirname "$E2E_PROGRAM")")/screenshots}
    mkdir -p "$E2E_SHOTS"
    E2E_ROOT=$(mktemp -d "/tmp/zorvane-e2e-$E2E_NAME.XXXXXX")
    export HOME=$E2E_ROOT/home XDG_CONFIG_HOME=$E2E_ROOT/home/.config \
           XDG_DATA_HOME=$E2E_ROOT/home/.local/share XDG_CACHE_HOME=$E2E_ROOT/home/.cache \
           XDG_RUNTIME_DIR=$E2E_ROOT/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    export LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8

    # Each scenario on its own display, so that scenarios never meet.
    trap e2e_stop EXIT
    start_virtual_display
    case $? in
    1) echo "FAIL: no X server could be started" >&2; exit 1 ;;
    2)
        # openbox may take longer than start_virtual_display waits on a
        # loaded machine. Every scenario relies on it (a frame that opens
        # maximized, windows activated, weston full screen): without it they
        # fail for reasons of their own.
        wait_for "$E2E_TIMEOUT" window_manager_running || { echo "FAIL: the window manager did not start" >&2; exit 1; } ;;
    esac
}

e2e_stop() {
    local pid
    for pid in ${E2E_APPS:-}; do kill "$pid" 2>/dev/null; done
    stop_virtual_display
    wait 2>/dev/null
    rm -rf "$E2E_ROOT"
}

# Starts the program (or another given binary) in the background; sets E2E_PID.
e2e_launch() {
    local program=${1:-$E2E_PROGRAM}
    "$program" >"$E2E_ROOT/app-$RANDOM.log" 2>&1 &
    E2E_PID=$!
    E2E_APPS="${E2E_APPS:-} $E2E_PID"
}

e2e_shot() {
    [[ -n ${DISPLAY:-} ]] || return 0
    import -window root "$E2E_SHOTS/$E2E_NAME-$1.png" 2>/dev/null || true
}

# Visible windows of a process whose title matches a regular expression.
e2e_windows() {
    local pid=$1 title=$2
    xdotool search --all --onlyvisible --pid "$pid" --name "$title" 2>/dev/null
}

# Runs a command every 0.2 s until it succeeds; false once E2E_TIMEOUT
# seconds have passed. Called directly, not in $(...), the command may set
# variables of the scenario.
e2e_wait_for() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# The last visible window of the process with the title; false when none.
e2e_last_window() {
    local ids
    ids=$(e2e_windows "$1" "$2") && [[ -n $ids ]] && tail -1 <<<"$ids"
}

# The last visible window of the process with the title other than the
# given one; false when there is none.
e2e_other_window() {
    local ids
    ids=$(e2e_windows "$1" "$2" | grep -vx -- "$3") && [[ -n $ids ]] && tail -1 <<<"$ids"
}

# The process's only visible window with the title, when it is not the given
# one: the window that has replaced it. False otherwise.
e2e_replacing_window() {
    local ids
    ids=$(e2e_windows "$1" "$2")
    [[ $(wc -w <<<"$ids") == 1 && $ids != "$3" ]] && echo "$ids"
}

# True when the process shows no window with the title besides the given one.
e2e_no_other_window() { ! e2e_other_window "$@" >/dev/null; }

# Waits until a visible window of the process has the title; prints its id.
e2e_wait_window() { e2e_wait_for e2e_last_window "$1" "$2"; }

# Waits until a window with the title other than the given one shows; prints
# its id.
e2e_wait_other_window() { e2e_wait_for e2e_other_window "$1" "$2" "$3"; }

# Waits until the given window has been replaced by another with the title,
# the process's only one; prints its id.
e2e_wait_replaced() { e2e_wait_for e2e_replacing_window "$1" "$2" "$3"; }

# True once the process has ended (or is a zombie waiting to be reaped).
e2e_ended() {
    process_ended "$1" || [[ $(ps -o stat= -p "$1" 2>/dev/null) == Z* ]]
}

# Waits until a process started by e2e_launch has ended; sets E2E_EXIT to its
# exit code. Call it directly, not in $(...): only this shell can reap it.
e2e_wait_exit() {
    e2e_wait_for e2e_ended "$1" || return 1
    wait "$1"
    E2E_EXIT=$?
}

# Waits until a file exists, is not empty and has stopped growing.
e2e_wait_file() {
    local path=$1 deadline=$((SECONDS + E2E_TIMEOUT)) size last=-1
    while ((SECONDS < deadline)); do
        if [[ -s $path ]]; then
            size=$(stat -c %s "$path")
            ((size == last)) && return 0
            last=$size
        fi
        sleep 0.3
    done
    return 1
}

# Window geometry: sets X Y WIDTH HEIGHT of a window (outer, without decorations).
e2e_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

e2e_not_maximized() { ! e2e_is_maximized "$1"; }

# What another program pastes from the clipboard or the selection clipboard
# (clipboard or primary); empty when nothing can be pasted.
e2e_clipboard() {
    timeout 5 xsel "--$1" --output 2>/dev/null
}

# True when another program pastes exactly the text from that clipboard.
e2e_clipboard_holds() { [[ $(e2e_clipboard "$1") == "$2" ]]; }

# Another program takes the clipboard or the selection clipboard with the
# text, and serves it until a program takes that clipboard over; false when
# the text cannot be pasted from it.
e2e_clipboard_fill() {
    printf %s "$2" | xsel "--$1" --input --nodetach &
    E2E_APPS="${E2E_APPS:-} $!"
    e2e_wait_for e2e_clipboard_holds "$1" "$2"
}

e2e_is_maximized() {
    xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q '_NET_WM_STATE_MAXIMIZED_VERT.*_NET_WM_STATE_MAXIMIZED_HORZ\|_NET_WM_STATE_MAXIMIZED_HORZ.*_NET_WM_STATE_MAXIMIZED_VERT'
}

# Gives the window the keyboard focus: activated through the window manager
# where it can be, else focused directly.
e2e_activate() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
}

e2e_key() {
    e2e_activate "$1"
    xdotool key --delay 60 "${@:2}"
}

e2e_type() {
    e2e_activate "$1"
    xdotool type --delay 40 "${@:2}"
}

# Clicks at a position relative to a window's top-left corner.
e2e_click() {
    local window=$1 x=$2 y=$3
    xdotool mousemove --window "$window" --sync "$x" "$y" click 1
}

# Clicks the Comprehensive Reading button of a maximized results frame on
# the 1280-pixel-wide screen. The bottom bar's buttons are placed from the
# screen's width, in twips (15 a pixel at 96 dpi), 120 twips below the top of
# the 615-twip (41-pixel) bar.
e2e_click_comprehensive() {
    e2e_geometry "$1"
    e2e_click "$1" $(((1280 * 15 - (1740 + 2500)) / 15 + 58)) $((HEIGHT - 41 + 8 + 15))
}

# Saves the panels as "<folder>/panels" twice through the scenario's own
# save_jpeg <path>: the first picture is panels.jpg at the panels' 1000 x 566
# pixels, the second panels_001.jpg, and no temporary bitmap stays behind.
e2e_save_jpeg_twice() {
    local out=$1 size
    save_jpeg "$out/panels"
    e2e_wait_file "$out/panels.jpg" || e2e_fail "no JPEG was written"
    size=$(identify -format '%wx%h' "$out/panels.jpg")
    [[ $size == 1000x566 ]] || e2e_fail "the JPEG is $size, not the panels' 1000x566"
    save_jpeg "$out/panels"
    e2e_wait_file "$out/panels_001.jpg" || e2e_fail "the second save did not make panels_001.jpg"
    ! ls "$out"/*.bmp >/dev/null 2>&1 || e2e_fail "a temporary bitmap was left behind"
}
