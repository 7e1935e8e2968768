#!/usr/bin/env bash
# The program as a blind user meets it: Orca, Debian's screen reader, speaks
# it through speech-dispatcher and espeak-ng (to a null sound device), on the
# AT-SPI accessibility bus of a private D-Bus session, under Xvfb with
# openbox. orca_scenario.py takes a reading with the keyboard alone and
# checks what Orca says on every window, from its debug log; the program
# ends with Exit, pressed with Enter, which must give 0.
#
# Usage: e2e_screen_reader.sh <program>
# What Orca said goes to $E2E_TRANSCRIPT, by default
# $E2E_SHOTS/orca-transcript.txt beside the screenshots, and Orca's whole
# debug log beside it (orca-debug.log).

here=$(dirname "$0")
source "$here/atspi.sh"
atspi_own_session "$0" "$@"
source "$here/lib.sh"
source "$here/orca.sh"
e2e_start screen_reader "$1"
trap 'cp "$ORCA_LOG" "$E2E_SHOTS/orca-debug.log" 2>/dev/null; orca_stop; atspi_stop; e2e_stop' EXIT
transcript=${E2E_TRANSCRIPT:-$E2E_SHOTS/orca-transcript.txt}

atspi_start || e2e_fail "the AT-SPI accessibility bus did not start"
orca_start || e2e_fail "Orca did not start: $(tail -2 "$E2E_ROOT/orca.out" 2>/dev/null)"

# Orca announces itself on the bus, to which Qt 6.4 turns its bridge on;
# the variable makes it so from the start.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
e2e_launch
app=$E2E_PID
window=$(e2e_wait_window "$app" '^Zorvane v1.0$') || e2e_fail "the main window did not appear"
e2e_activate "$window"

if ! PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$here/orca_scenario.py" --log "$ORCA_LOG" \
    --transcript "$transcript" --timeout "$E2E_TIMEOUT"; then
    process_ended "$app" && e2e_fail "the program ended during the screen-reader scenario"
    e2e_fail "the screen-reader scenario failed"
fi

e2e_wait_exit "$app" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
echo "PASS"
