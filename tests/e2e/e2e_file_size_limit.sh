#!/usr/bin/env bash
# Under a file-size limit (ulimit -f) smaller than the reading and the
# picture, saving the comprehensive reading as .rtf and the panels with Save
# as JPG each fail with a message that gives the reason instead of ending the
# program: the program runs on, leaves no partial file, and Exit ends it with
# 0 and removes its lock. The message's text is read on the AT-SPI
# accessibility bus.
here=$(dirname "$0")
source "$here/atspi.sh"
atspi_own_session "$0" "$@"
source "$here/lib.sh"
e2e_start file-size-limit "$1"
trap 'atspi_stop; e2e_stop' EXIT
atspi_start || e2e_fail "the AT-SPI accessibility bus did not start"
out=$E2E_ROOT/out
mkdir -p "$out"
limit_kib=8    # the saved reading is some 13 KiB

# Only the program runs under the limit, not the X server or the scenario.
(ulimit -f "$limit_kib" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec "$E2E_PROGRAM") >"$E2E_ROOT/app.log" 2>&1 &
app=$!
E2E_APPS="${E2E_APPS:-} $app"
main=$(e2e_wait_window "$app" '^Zorvane v1\.0$') || e2e_fail "the main window did not appear"
[[ $(awk '$2 == "file" && $3 == "size" {print $4}' "/proc/$app/limits") == $((limit_kib * 1024)) ]] \
    || e2e_fail "the program does not run under the file-size limit"

e2e_key "$main" alt+f Return   # the reading of the first date in the lists
frame=$(e2e_wait_replaced "$app" '^Zorvane v1\.0$' "$main") || e2e_fail "the results frame did not appear"
e2e_wait_for e2e_is_maximized "$frame" || e2e_fail "the results frame is not maximized"
sleep 0.5
e2e_click_comprehensive "$frame"
reading=$(e2e_wait_other_window "$app" '^Zorvane v1\.0$' "$frame") || e2e_fail "the reading window did not open"

e2e_log "Save beyond the limit"
e2e_key "$reading" alt+s
dialog=$(e2e_wait_window "$app" '^Zorvane$') || e2e_fail "the Save dialog did not open"
sleep 0.3
e2e_type "$dialog" "$out/reading.rtf"
e2e_key "$dialog" Return
message_or_end() { e2e_ended "$app" || e2e_replacing_window "$app" '^Zorvane$' "$dialog"; }
e2e_wait_for message_or_end >/dev/null || e2e_fail "neither a message nor an end after Save"
if e2e_ended "$app"; then
    wait "$app"
    e2e_fail "the program ended with $? at the file-size limit, without a word"
fi
box=$(e2e_replacing_window "$app" '^Zorvane$' "$dialog")
atspi_wait_window --pid "$app" --title 'Zorvane' --holding "$out/reading.rtf" --holding 'File too large' >/dev/null \
    || e2e_fail "the message does not give the reading's file name and the reason"
e2e_shot message
e2e_key "$box" Return
e2e_wait_for e2e_no_other_window "$app" '^Zorvane$' "" || e2e_fail "the message did not close"
kill -0 "$app" 2>/dev/null || e2e_fail "the program ended after the message"
leftovers=$(ls -A "$out")
[[ -z $leftovers ]] || e2e_fail "the failed save left files behind: $leftovers"

e2e_key "$reading" Escape
e2e_wait_for e2e_no_other_window "$app" '^Zorvane v1\.0$' "$frame" || e2e_fail "the reading window did not close"

e2e_log "Save as JPG beyond the limit"
# The picture (1000 x 566 pixels at full quality) is far beyond it.
e2e_key "$frame" alt+j
dialog=$(e2e_wait_window "$app" '^Save As$|^Save') || e2e_fail "the Save as JPG dialog did not open"
e2e_type "$dialog" "$out/panels"
e2e_key "$dialog" Return
e2e_wait_for message_or_end >/dev/null || e2e_fail "neither a message nor an end after Save as JPG"
if e2e_ended "$app"; then
    wait "$app"
    e2e_fail "the program ended with $? at the file-size limit, without a word"
fi
box=$(e2e_replacing_window "$app" '^Zorvane$' "$dialog")
e2e_shot jpeg-message
atspi_wait_window --pid "$app" --title 'Zorvane' --holding "could not be saved as $out/panels.jpg" \
    --holding 'File too large' >/dev/null \
    || e2e_fail "the message does not give the picture's name and the reason"
e2e_key "$box" Return
e2e_wait_for e2e_no_other_window "$app" '^Zorvane$' "" || e2e_fail "the message did not close"
kill -0 "$app" 2>/dev/null || e2e_fail "the program ended after the message"
leftovers=$(ls -A "$out")
[[ -z $leftovers ]] || e2e_fail "the failed Save as JPG left files behind: $leftovers"

e2e_key "$frame" alt+e
e2e_wait_exit "$app" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
[[ ! -e $XDG_RUNTIME_DIR/zorvane.lock ]] || e2e_fail "the program left its lock behind"
echo "PASS"
