#!/usr/bin/env bash
# Where the windows stand and what the window manager offers for them, under
# openbox on a 1280 x 1024 screen: the main window, the About box and the
# reading window are centred with their frame, where they first appear; the
# About box and the reading window are offered neither maximizing nor resizing,
# and when openbox minimizes one of them (taking the main window or the
# results frame with it) both come back at once.
source "$(dirname "$0")/lib.sh"
e2e_start windows "$1"
screen_width=1280
screen_height=1024

# The frame of a window as openbox gives it: sets LEFT RIGHT TOP BOTTOM.
frame_of() {
    local extents
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
    [[ -n $extents ]] || return 1
    IFS=', ' read -r LEFT RIGHT TOP BOTTOM <<<"$extents"
}

# The outer rectangle of a window, frame included: "x y width height"; its
# client area as the X server places it on the screen.
outer_of() {
    frame_of "$1" || return 1
    local info x y w h
    info=$(xwininfo -id "$1") || return 1
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/.*Width: *//p' <<<"$info")
    h=$(sed -n 's/.*Height: *//p' <<<"$info")
    echo "$((x - LEFT)) $((y - TOP)) $((w + LEFT + RIGHT)) $((h + TOP + BOTTOM))"
}

# Checks that the window's frame stands centred on the screen, within a
# pixel, and where it first appeared.
check_centred() {
    local window=$1 name=$2 first=$3 x y w h
    read -r x y w h <<<"$(outer_of "$window")" || e2e_fail "$name has no frame"
    local off_x=$(((2 * x + w) - screen_width)) off_y=$(((2 * y + h) - screen_height))
    ((off_x >= -2 && off_x <= 2 && off_y >= -2 && off_y <= 2)) \
        || e2e_fail "$name stands at $x,$y ${w}x$h, not centred on the ${screen_width}x$screen_height screen"
    [[ "$x $y $w $h" == "$first" ]] || e2e_fail "$name first appeared at $first, then moved to $x $y $w $h"
    e2e_log "$name centred at $x,$y ${w}x$h, frame included"
}

# The outer rectangle as soon as the window shows with its frame.
first_place() {
    e2e_wait_for outer_of "$1" >/dev/null || return 1
    outer_of "$1"
}

allowed() { xprop -id "$1" _NET_WM_ALLOWED_ACTIONS 2>/dev/null; }

# A fixed dialog is offered neither maximizing nor resizing.
check_fixed() {
    local actions
    actions=$(allowed "$1")
    [[ -n $actions ]] || e2e_fail "$2: openbox sets no allowed actions"
    [[ $actions != *MAXIMIZE* && $actions != *RESIZE* ]] || e2e_fail "$2 may be maximized or resized: $actions"
}

hidden() { [[ $(xprop -id "$1" WM_STATE 2>/dev/null) == *Iconic* ]]; }
shown() { [[ $(xprop -id "$1" WM_STATE 2>/dev/null) == *Normal* ]]; }

# Minimizes the dialog through the window manager; it and its owner must be
# back and the dialog still answers.
check_not_left_minimized() {
    local dialog=$1 owner=$2 name=$3
    xdotool windowminimize "$dialog"
    e2e_wait_for shown "$dialog" || e2e_fail "$name stayed minimized"
    e2e_wait_for shown "$owner" || e2e_fail "the window behind $name stayed minimized"
    sleep 0.3
    shown "$dialog" && shown "$owner" || e2e_fail "$name or the window behind it was minimized again"
}

e2e_launch
app=$E2E_PID
main=$(e2e_wait_window "$app" '^Zorvane v1\.0$') || e2e_fail "the main window did not appear"
first=$(first_place "$main") || e2e_fail "the main window got no frame"
sleep 0.5
check_centred "$main" "the main window" "$first"

e2e_log "Help > About Software"
e2e_key "$main" alt+h a
about=$(e2e_wait_other_window "$app" '^Zorvane v1\.0$' "$main") || e2e_fail "the About box did not open"
first=$(first_place "$about") || e2e_fail "the About box got no frame"
sleep 0.5
check_centred "$about" "the About box" "$first"
check_fixed "$about" "the About box"
e2e_shot about
check_not_left_minimized "$about" "$main" "the About box"
e2e_key "$about" Escape
e2e_wait_for e2e_no_other_window "$app" '^Zorvane v1\.0$' "$main" || e2e_fail "the About box did not close"

e2e_log "a reading, then Comprehensive Reading"
e2e_key "$main" alt+f Return
frame=$(e2e_wait_replaced "$app" '^Zorvane v1\.0$' "$main") || e2e_fail "the results frame did not open"
e2e_wait_for e2e_is_maximized "$frame" || e2e_fail "the results frame is not maximized"
e2e_click_comprehensive "$frame"
reading=$(e2e_wait_other_window "$app" '^Zorvane v1\.0$' "$frame") || e2e_fail "the reading window did not open"
first=$(first_place "$reading") || e2e_fail "the reading window got no frame"
sleep 0.5
check_centred "$reading" "the reading window" "$first"
check_fixed "$reading" "the reading window"
check_not_left_minimized "$reading" "$frame" "the reading window"
e2e_key "$reading" alt+F4
e2e_wait_for e2e_no_other_window "$app" '^Zorvane v1\.0$' "$frame" || e2e_fail "the reading window did not close"

e2e_key "$frame" alt+f x
e2e_wait_exit "$app" || e2e_fail "the program did not end"
((E2E_EXIT == 0)) || e2e_fail "the program ended with $E2E_EXIT"
e2e_log "passed"
