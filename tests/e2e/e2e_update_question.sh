#!/usr/bin/env bash
# The update question on a start 15 days after the stored reminder date,
# answered No: the main window still appears and the stored date becomes
# today, so the next start asks nothing.
source "$(dirname "$0")/lib.sh"
e2e_start update-question "$1"
reminder_date=$2

"$reminder_date" "$(date -d '15 days ago' +%F)" || e2e_fail "could not prepare the settings"

e2e_launch
question=$(e2e_wait_window "$E2E_PID" '^Zorvane$') || e2e_fail "no update question"
[[ -z $(e2e_windows "$E2E_PID" '^Zorvane v1\.0$') ]] || e2e_fail "the main window came before the question"
sleep 0.3
e2e_shot question
e2e_key "$question" alt+n
main=$(e2e_wait_window "$E2E_PID" '^Zorvane v1\.0$') || e2e_fail "the main window did not appear after No"
# The settings reach the disk as start-up ends, after the main window is shown.
stored_today() { stored=$("$reminder_date") && [[ $stored == $(date +%F) ]]; }
e2e_wait_for stored_today || e2e_fail "the stored date is $stored, not today"
e2e_key "$main" alt+f x
e2e_wait_exit "$E2E_PID" || e2e_fail "File > Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"

e2e_log "the next start asks nothing"
e2e_launch
e2e_wait_window "$E2E_PID" '^Zorvane v1\.0$' >/dev/null || e2e_fail "the main window did not appear"
[[ -z $(e2e_windows "$E2E_PID" '^Zorvane$') ]] || e2e_fail "the question was asked again"
echo "PASS"
