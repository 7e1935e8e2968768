#!/usr/bin/env bash
# The program as a screen-reader user meets it: a private D-Bus session with
# the AT-SPI accessibility bus, the program with Qt's accessibility bridge on,
# and screen_reader.py acting as the screen reader through pyatspi. It takes a
# reading with the keyboard and accessible actions alone, reads every window
# aloud into a transcript, and ends the program with Exit, which must give 0.
#
# Usage: e2e_screen_reader.sh <program>
# The transcript goes to $E2E_TRANSCRIPT, by default
# $E2E_SHOTS/atspi-transcript.txt beside the screenshots.

here=$(dirname "$0")
source "$here/atspi.sh"
atspi_own_session "$0" "$@"
source "$here/lib.sh"
e2e_start screen_reader "$1"
trap 'atspi_stop; e2e_stop' EXIT
transcript=${E2E_TRANSCRIPT:-$E2E_SHOTS/atspi-transcript.txt}

atspi_start || e2e_fail "the AT-SPI accessibility bus did not start"

# Qt 6.4 turns its AT-SPI bridge on for a screen reader that the desktop
# announces (org.a11y.Status), or always with this variable.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
e2e_launch
app=$E2E_PID

# Debian's own Python: pyatspi is installed for it, not for others on PATH.
if ! PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$here/screen_reader.py" --app zorvane --pid "$app" --transcript "$transcript"; then
    process_ended "$app" && e2e_fail "the program ended during the screen-reader scenario"
    e2e_fail "the screen-reader scenario failed"
fi

e2e_wait_exit "$app" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
echo "PASS"
