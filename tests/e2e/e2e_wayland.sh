#!/usr/bin/env bash
# The program as a native Wayland client, under weston (its X11 back-end in
# Xvfb, which gives the compositor a seat): the main window appears; a second
# copy says "Application is already running" and ends with 0; a reading for
# 15 March 1980, Night is taken with the keyboard; Save as JPG writes a valid
# JPEG through the Qt file dialog; Exit ends the program with 0, at once,
# its lock removed and its settings and picture kept.
#
# Keys go through the compositor's seat (xdotool into weston's X window). The
# windows are followed on the AT-SPI bus, which tells which window is shown
# and has the focus; Wayland gives a client no way to see the others.
here=$(dirname "$0")
source "$here/atspi.sh"
atspi_own_session "$0" "$@"
source "$here/lib.sh"
source "$here/weston.sh"
e2e_start wayland "$1"
trap 'weston_stop; atspi_stop; e2e_stop' EXIT
out=$E2E_ROOT/out
mkdir -p "$out"

atspi_start || e2e_fail "the AT-SPI accessibility bus did not start"
weston_start || e2e_fail "weston did not start on the X display"
keys() { e2e_key "$WESTON_WINDOW" "$@"; }
type_text() { e2e_type "$WESTON_WINDOW" "$@"; }

# The program ends at once once its windows are closed, before Qt's
# platform teardown: Qt 6.4's Wayland teardown may hang (the main thread
# waits in QWaylandDisplay's destructor for the Wayland event thread, which
# waits in wl_display_read_events for a read that the main thread never
# makes). A copy that still hangs there fails the scenario, named as such.

# True when both the main thread and the Wayland event thread of the process
# wait on a futex: the hang above.
hung_in_wayland_teardown() {
    local task main=0 events=0
    for task in /proc/"$1"/task/*; do
        [[ $(<"$task/wchan") == futex* ]] || continue
        if [[ ${task##*/} == "$1" ]]; then
            main=1
        elif [[ $(<"$task/comm") == WaylandEventThr* ]]; then
            events=1
        fi
    done 2>/dev/null
    ((main && events))
}

# wait_end <pid> <who>: waits until the process has ended and sets E2E_EXIT
# to its exit code; fails the scenario when it hangs in the teardown above.
wait_end() {
    e2e_wait_exit "$1" && return 0
    if hung_in_wayland_teardown "$1"; then
        kill -KILL "$1"
        wait "$1" 2>/dev/null
        e2e_fail "$2 hung at its end in Qt's Wayland teardown"
    fi
    return 1
}

export QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
e2e_launch
app=$E2E_PID
atspi_wait_window --pid "$app" --title 'Zorvane v1\.0' --holding 'Get My Firdaria Reading' \
    || e2e_fail "the main window did not appear under weston"
[[ -z $(xdotool search --pid "$app" 2>/dev/null) ]] || e2e_fail "the program opened X windows instead of Wayland ones"
[[ -e $XDG_RUNTIME_DIR/zorvane.lock ]] || e2e_fail "the running program holds no lock in $XDG_RUNTIME_DIR"
e2e_shot main-window

e2e_log "a second copy"
e2e_launch
second=$E2E_PID
atspi_wait_window --pid "$second" --title 'Zorvane' --holding 'Application is already running' \
    || e2e_fail "the second copy did not say it is already running"
e2e_shot second-copy
keys Return
wait_end "$second" "the second copy" || e2e_fail "the second copy did not end"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the second copy ended with $E2E_EXIT"
process_ended "$app" && e2e_fail "the first copy ended"

e2e_log "choose 15 March 1980, Night, with the keyboard"
atspi_wait_window --pid "$app" --title 'Zorvane v1\.0' --holding 'Get My Firdaria Reading' --focus 'push button' \
    || e2e_fail "the main window did not get the focus back on its reading button"
keys Tab               # from "Get My Firdaria Reading" to the day list
type_text "15"
keys Tab
type_text "Mar"
keys Tab
type_text "1980"
keys Tab Down          # Day, then the arrow moves the choice to Night
e2e_shot choices
keys alt+f Return      # File > Get My Firdaria Reading
# The Moon's period heads a night birth's panels, from the date typed (its
# panel is named by its heading read as one phrase).
atspi_wait_window --pid "$app" --title 'Zorvane v1\.0' --holding 'Comprehensive Reading' --holding 'The Moon, 3/15/1980' \
    || e2e_fail "the results frame did not appear with the Moon's period from 3/15/1980"
e2e_shot results

e2e_log "Save as JPG through the Qt file dialog"
keys alt+j
atspi_wait_window --pid "$app" --title '.+' --role dialog --focus text \
    || e2e_fail "the Save dialog did not open with the focus in its file name"
e2e_shot jpeg-dialog
type_text "$out/panels"
keys Return
e2e_wait_file "$out/panels.jpg" || e2e_fail "no JPEG was written"
convert -regard-warnings "$out/panels.jpg" null: 2>/dev/null || e2e_fail "the JPEG does not decode cleanly"
picture=$(identify -format '%m %wx%h' "$out/panels.jpg")
[[ $picture == "JPEG 1000x566" ]] || e2e_fail "the picture is $picture, not the panels' JPEG 1000x566"

e2e_log "Exit"
atspi_wait_window --pid "$app" --title 'Zorvane v1\.0' --holding 'Comprehensive Reading' \
    || e2e_fail "the results frame did not get the focus back after the Save dialog"
keys alt+e
wait_end "$app" "the program after Exit" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
[[ ! -e $XDG_RUNTIME_DIR/zorvane.lock ]] || e2e_fail "the program left its lock behind"
[[ -s $XDG_CONFIG_HOME/Zorvane/Zorvane.conf ]] || e2e_fail "the program kept no settings"
[[ -s $out/panels.jpg ]] || e2e_fail "the saved picture is gone"
echo "PASS"
