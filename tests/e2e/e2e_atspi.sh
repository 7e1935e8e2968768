#!/usr/bin/env bash
# The program on the AT-SPI accessibility bus as a client reads it: a private
# D-Bus session with the bus, the program with Qt's accessibility bridge on,
# and atspi_scenario.py reading and driving it through pyatspi. It takes a
# reading with keys sent through the bus and accessible actions alone, reads
# every window's tree into a transcript, and ends the program with Exit,
# which must give 0. What Orca says is e2e_screen_reader.sh's; this scenario
# checks what no speech shows: a menu item's action that returns at once
# while the window it opens is up.
#
# Usage: e2e_atspi.sh <program>
# The transcript goes to $E2E_TRANSCRIPT, by default
# $E2E_SHOTS/atspi-transcript.txt beside the screenshots.

here=$(dirname "$0")
source "$here/atspi.sh"
atspi_own_session "$0" "$@"
source "$here/lib.sh"
e2e_start atspi "$1"
trap 'atspi_stop; e2e_stop' EXIT
transcript=${E2E_TRANSCRIPT:-$E2E_SHOTS/atspi-transcript.txt}

atspi_start || e2e_fail "the AT-SPI accessibility bus did not start"

# Qt 6.4 turns its AT-SPI bridge on for a screen reader that the desktop
# announces (org.a11y.Status), or always with this variable.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
e2e_launch
app=$E2E_PID

# Debian's own Python: pyatspi is installed for it, not for others on PATH.
if ! PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$here/atspi_scenario.py" --app zorvane --pid "$app" --transcript "$transcript"; then
    process_ended "$app" && e2e_fail "the program ended during the AT-SPI scenario"
    e2e_fail "the AT-SPI scenario failed"
fi

e2e_wait_exit "$app" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
echo "PASS"
