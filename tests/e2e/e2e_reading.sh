#!/usr/bin/env bash
# A whole reading as a person makes it, with the keyboard and the mouse:
# 15 March 1980, Night; the results frame replaces the main window; the
# comprehensive reading is saved as .rtf through the real file dialog and
# printed to a PDF file through the real print dialog; text of the reading
# cannot be pasted into another program (xsel) from the clipboard or from the
# selection clipboard a middle click pastes; the panels are saved twice as
# JPEG; the results frame restored by the window manager takes its design
# size; Back brings the main window back unmaximized; Exit ends the program
# with 0. What the saved reading holds, word for word, and that Back keeps
# the choices are checked offscreen (tst_frmSave::save,
# tst_ReadingFlow::eachReadingReplacesTheLast).
source "$(dirname "$0")/lib.sh"
e2e_start reading "$1"
out=$E2E_ROOT/out
mkdir -p "$out"

e2e_launch
app=$E2E_PID
main=$(e2e_wait_window "$app" '^Zorvane v1\.0$') || e2e_fail "the main window did not appear"

e2e_log "choose 15 March 1980, Night, with the keyboard"
e2e_key "$main" Tab            # from "Get My Firdaria Reading" to the day list
e2e_type "$main" "15"
e2e_key "$main" Tab
e2e_type "$main" "Mar"
e2e_key "$main" Tab
e2e_type "$main" "1980"
e2e_key "$main" Tab Down       # Day, then the arrow moves the choice to Night
sleep 0.3
e2e_shot choices
e2e_key "$main" alt+f Return   # File > Get My Firdaria Reading

frame=$(e2e_wait_replaced "$app" '^Zorvane v1\.0$' "$main") \
    || e2e_fail "the results frame did not replace the main window"
e2e_wait_for e2e_is_maximized "$frame" || e2e_fail "the results frame is not maximized"
sleep 0.5
e2e_shot results

# Another program holds the clipboard when the reading opens.
e2e_clipboard_fill clipboard "copied elsewhere" || e2e_fail "xsel cannot fill the clipboard"

e2e_log "Comprehensive Reading"
e2e_click_comprehensive "$frame"
reading=$(e2e_wait_other_window "$app" '^Zorvane v1\.0$' "$frame") || e2e_fail "the reading window did not open"
sleep 0.3
e2e_shot reading-window

# The reading's insertions have emptied it.
[[ -z $(e2e_clipboard clipboard) ]] || e2e_fail "the clipboard still holds \"$(e2e_clipboard clipboard)\" with the reading open"

e2e_log "Save through the file dialog, a name without extension"
e2e_key "$reading" alt+s
dialog=$(e2e_wait_window "$app" '^Zorvane$') || e2e_fail "the Save dialog did not open"
sleep 0.3
e2e_shot save-dialog
e2e_type "$dialog" "$out/my reading"
e2e_key "$dialog" Return
e2e_wait_file "$out/my reading.rtf" || e2e_fail "no .rtf file was written"
text=$(unrtf --text "$out/my reading.rtf" 2>/dev/null)
for expected in "The Sun Period:-" "This is a time to reevaluate your position in life and move ahead."; do
    grep -qF -- "$expected" <<<"$text" || e2e_fail "the saved reading lacks \"$expected\""
done

e2e_log "Print to a PDF file through the print dialog"
e2e_key "$reading" alt+p
printer=$(e2e_wait_window "$app" '^Print$') || e2e_fail "the print dialog did not open"
sleep 0.3
e2e_shot print-dialog
# Without a print server the dialog offers the PDF printer, writing to
# $HOME/print.pdf, the scenario's own home; Return accepts it.
e2e_key "$printer" Return
e2e_wait_file "$HOME/print.pdf" || e2e_fail "nothing was printed to $HOME/print.pdf"
printed=$(pdftotext "$HOME/print.pdf" -)
grep -qF "Mercury Period :-" <<<"$printed" || e2e_fail "the printout lacks the Mercury text"

e2e_log "Text selected with the mouse cannot be pasted elsewhere"
e2e_clipboard_fill primary "selected elsewhere" || e2e_fail "xsel cannot fill the selection clipboard"
# A drag along the first line of the box (at 30, 390 twips), from its left
# edge, selecting text as a person would to paste it with a middle click.
e2e_activate "$reading"
xdotool mousemove --window "$reading" --sync 4 34 mousedown 1 \
    mousemove --window "$reading" --sync 120 34 mousemove --window "$reading" --sync 240 36 mouseup 1
# The drag did select: Ctrl+C copies it, as the keyboard may, until the mouse
# moves over the box again. The program handles the key after the drag, so
# once the copy is there the drag has been handled too.
e2e_key "$reading" ctrl+c
copied_start_of_reading() {
    copied=$(e2e_clipboard clipboard)
    [[ $copied == "The Sun"* ]]
}
e2e_wait_for copied_start_of_reading || e2e_fail "the drag selected \"$copied\", not the start of the reading"
e2e_shot reading-selected
e2e_wait_for e2e_clipboard_holds primary "" \
    || e2e_fail "the selection clipboard holds \"$(e2e_clipboard primary)\" from the reading"
xdotool mousemove --window "$reading" --sync 200 200
e2e_wait_for e2e_clipboard_holds clipboard "" \
    || e2e_fail "the clipboard still holds \"$(e2e_clipboard clipboard)\" after the mouse moved over the box"

e2e_key "$reading" Escape
e2e_wait_for e2e_no_other_window "$app" '^Zorvane v1\.0$' "$frame" || e2e_fail "the reading window did not close"

save_jpeg() {  # <name typed into the dialog>
    e2e_key "$frame" alt+j
    local dialog
    dialog=$(e2e_wait_window "$app" '^Save As$|^Zorvane$|^Save') || e2e_fail "the Save as JPG dialog did not open"
    sleep 0.3
    e2e_shot jpeg-dialog
    e2e_type "$dialog" "$1"
    e2e_key "$dialog" Return
}

e2e_log "Save as JPG, twice"
e2e_save_jpeg_twice "$out"

e2e_log "Restore the results frame with the window manager"
# A double-click on openbox's title bar toggles maximizing; a maximized
# window's title bar lies along the top of the 1280-pixel-wide screen.
xdotool mousemove --sync 640 8 click --repeat 2 --delay 100 1
e2e_wait_for e2e_not_maximized "$frame" || e2e_fail "the results frame stayed maximized"
# Design client area 11175 x 8025 twips (745 x 535 pixels) below the menu bar.
restored_to_design_size() {
    e2e_geometry "$frame"
    local menu_bar=$((HEIGHT - 535))
    ((WIDTH == 745 && menu_bar >= 15 && menu_bar <= 40))
}
e2e_wait_for restored_to_design_size \
    || e2e_fail "the restored results frame is ${WIDTH}x$HEIGHT, not 745 wide and 535 high below its menu bar"
e2e_shot restored

e2e_log "Back"
e2e_key "$frame" alt+b
main=$(e2e_wait_replaced "$app" '^Zorvane v1\.0$' "$frame") \
    || e2e_fail "Back did not replace the results frame by the main window"
sleep 0.3
e2e_shot back
e2e_is_maximized "$main" && e2e_fail "the main window came back maximized"

e2e_log "File > Exit"
e2e_key "$main" alt+f x
e2e_wait_exit "$app" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"
echo "PASS"
