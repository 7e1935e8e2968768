#!/usr/bin/env bash
# A copy of the program in a folder without its converter library says
# "Required File Is Missing", then ends with 0 without showing the main window.
source "$(dirname "$0")/lib.sh"
e2e_start missing-converter "$1"

folder=$E2E_ROOT/program
mkdir -p "$folder"
cp "$E2E_PROGRAM" "$folder/zorvane"
[[ ! -e $folder/libBmp2Jpeg.so ]] || e2e_fail "the converter is still beside the copy"

e2e_launch "$folder/zorvane"
box=$(e2e_wait_window "$E2E_PID" '^Zorvane$') || e2e_fail "no message about the missing file"
sleep 0.3
e2e_shot message
[[ -z $(e2e_windows "$E2E_PID" '^Zorvane v1\.0$') ]] || e2e_fail "the main window was shown"
e2e_key "$box" Return
e2e_wait_exit "$E2E_PID" || e2e_fail "the program did not end after the message"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
echo "PASS"
