#!/usr/bin/env bash
# Start-up as a person meets it: the main window appears; a second copy says
# "Application is already running" and ends without touching the first;
# File > Exit ends the program with 0, its lock removed and its settings kept.
# The About box is e2e_windows.sh's.
#
# Each copy ends at once once its windows are closed, without running its
# exit handlers and the platform's teardown (which may hang under Wayland):
# the library given as the third argument is loaded into both and marks the
# file $E2E_TEARDOWN_MARK if they run.
#
# Usage: e2e_startup.sh <program> <reminder_date> <teardown_mark library>
source "$(dirname "$0")/lib.sh"
e2e_start startup "$1"
teardown_mark=$3
export E2E_TEARDOWN_MARK=$E2E_ROOT/teardown-ran
ended_at_once() {
    [[ ! -e $E2E_TEARDOWN_MARK ]] || e2e_fail "$1 ran its exit handlers and the platform's teardown"
}

LD_PRELOAD=$teardown_mark e2e_launch
first=$E2E_PID
main=$(e2e_wait_window "$first" '^Zorvane v1\.0$') || e2e_fail "the main window did not appear"
e2e_shot main-window
e2e_geometry "$main"
before="$X $Y $WIDTH $HEIGHT"

grep -q teardown_mark "/proc/$first/maps" || e2e_fail "the marking library is not loaded into the program"

e2e_log "a second copy"
LD_PRELOAD=$teardown_mark e2e_launch
second=$E2E_PID
box=$(e2e_wait_window "$second" '^Zorvane$') || e2e_fail "the second copy showed no message"
[[ -z $(e2e_windows "$second" '^Zorvane v1\.0$') ]] || e2e_fail "the second copy showed a main window"
e2e_shot second-copy
e2e_key "$box" Return
e2e_wait_exit "$second" || e2e_fail "the second copy did not end"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the second copy ended with $E2E_EXIT"
ended_at_once "the second copy"
kill -0 "$first" 2>/dev/null || e2e_fail "the first copy ended"
e2e_geometry "$main"
[[ "$X $Y $WIDTH $HEIGHT" == "$before" ]] || e2e_fail "the first copy's window moved: $before -> $X $Y $WIDTH $HEIGHT"

e2e_log "File > Exit"
e2e_key "$main" alt+f x
e2e_wait_exit "$first" || e2e_fail "File > Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
ended_at_once "the program"
[[ ! -e $XDG_RUNTIME_DIR/zorvane.lock ]] || e2e_fail "the program left its lock behind"
[[ -s $XDG_CONFIG_HOME/Zorvane/Zorvane.conf ]] || e2e_fail "the program kept no settings"
echo "PASS"
