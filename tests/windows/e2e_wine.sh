#!/usr/bin/env bash
# The Windows installer and the installed program under Wine, on Xvfb with
# openbox, as a person meets them: a silent install (/S) into a private Wine
# prefix puts the program, its converter, Qt and the MinGW runtime into
# C:\Program Files\Zorvane with a Start-menu shortcut; the installed program
# shows its main window and its About box, takes a reading for 15 March 1980,
# Night, and shows the results frame; the panels are saved as JPEG twice (the
# second as _001), a 1000 x 566 picture; the comprehensive reading is saved as
# .rtf; the date of the update reminder is in Wine's registry; a second copy
# says "Application is already running" and ends with 0; Exit ends the program
# with 0; the silent uninstall leaves nothing in Program Files, the Start menu
# or the registry. (The dates of the reading are checked by tst_readingflow,
# which runs under Wine as well.)
#
# Usage: e2e_wine.sh <installer.exe> <wine-run> <reminder_date.exe>
source "$(dirname "$0")/../e2e/lib.sh"
installer=$1
wine_run=$2
reminder_date=$3
[[ -f $installer ]] || { echo "FAIL: no installer $installer (make windows builds it)" >&2; exit 1; }

# Windows are found by the process that shows them, as Wine marks each with
# the program's process (_NET_WM_PID): Wine's file dialogs have no title, and
# an empty title alone would match openbox's frames and Wine's hidden windows
# as well.
E2E_TIMEOUT=${E2E_TIMEOUT:-60}
e2e_start wine "$installer"
export WINEPREFIX=$E2E_ROOT/wine WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
# Wine's processes go with the scenario, whatever its end.
trap 'timeout 20 wineserver -k 2>/dev/null; e2e_stop' EXIT
out=$E2E_ROOT/out
mkdir -p "$out"
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }

e2e_log "a private Wine prefix"
# Without .NET and the HTML engine, which Wine would offer to download in a
# dialog of its own.
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mscoree=d;mshtml=d" timeout 300 wineboot --init >/dev/null 2>&1 \
    || e2e_fail "wineboot did not make the prefix"
timeout 120 wineserver --wait
program_files="$WINEPREFIX/drive_c/Program Files"
installed="$program_files/Zorvane"

e2e_log "silent install"
timeout 300 wine "$installer" /S >"$E2E_ROOT/install.log" 2>&1 || e2e_fail "the installer ended with $?"
timeout 120 wineserver --wait
for file in zorvane.exe Bmp2Jpeg.dll Uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    [[ -f $installed/$file ]] || e2e_fail "the installer did not install $file"
done
shortcut=$(find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name 'Zorvane.lnk' | head -n 1)
[[ -n $shortcut ]] || e2e_fail "the installer made no Start-menu shortcut"

launch() {
    wine 'C:\Program Files\Zorvane\zorvane.exe' >"$E2E_ROOT/app-$RANDOM.log" 2>&1 &
    E2E_PID=$!
    E2E_APPS="${E2E_APPS:-} $E2E_PID"
}

e2e_log "the installed program"
launch
app=$E2E_PID
main=$(e2e_wait_window "$app" '^Zorvane v1\.0$') || e2e_fail "the main window did not appear"
sleep 1
e2e_shot main-window

e2e_log "Help > About Software"
e2e_key "$main" alt+h a
about=$(e2e_wait_other_window "$app" '^Zorvane v1\.0$' "$main") || e2e_fail "the About box did not open"
sleep 1
e2e_shot about
e2e_key "$about" Escape
e2e_wait_for e2e_no_other_window "$app" '^Zorvane v1\.0$' "$main" || e2e_fail "the About box did not close"

e2e_log "choose 15 March 1980, Night, with the keyboard"
e2e_key "$main" Tab
e2e_type "$main" "15"
e2e_key "$main" Tab
e2e_type "$main" "Mar"
e2e_key "$main" Tab
e2e_type "$main" "1980"
e2e_key "$main" Tab Down
sleep 0.5
e2e_shot choices
e2e_key "$main" alt+f Return
frame=$(e2e_wait_replaced "$app" '^Zorvane v1\.0$' "$main") \
    || e2e_fail "the results frame did not replace the main window"
e2e_wait_for e2e_is_maximized "$frame" || e2e_fail "the results frame is not maximized"
sleep 1
e2e_shot results

save_jpeg() {  # <Linux path typed into the dialog, without extension>
    e2e_key "$frame" alt+j
    local dialog
    dialog=$(e2e_wait_other_window "$app" '' "$frame") || e2e_fail "the Save as JPG dialog did not open"
    sleep 1
    e2e_shot jpeg-dialog
    e2e_key "$dialog" ctrl+a
    e2e_type "$dialog" "$(windows_path "$1")"
    e2e_key "$dialog" Return
    e2e_wait_for e2e_no_other_window "$app" '' "$frame" || e2e_fail "the Save as JPG dialog did not close"
}

e2e_log "Save as JPG, twice"
e2e_save_jpeg_twice "$out"

e2e_log "Comprehensive Reading, saved as .rtf"
e2e_click_comprehensive "$frame"
reading=$(e2e_wait_other_window "$app" '^Zorvane v1\.0$' "$frame") || e2e_fail "the reading window did not open"
sleep 1
e2e_shot reading-window
e2e_key "$reading" alt+s
dialog=$(e2e_wait_other_window "$app" '' "$reading\\|$frame") || e2e_fail "the Save dialog did not open"
sleep 1
e2e_shot save-dialog
e2e_key "$dialog" ctrl+a
e2e_type "$dialog" "$(windows_path "$out/my reading")"
e2e_key "$dialog" Return
e2e_wait_file "$out/my reading.rtf" || e2e_fail "no .rtf file was written"
text=$(unrtf --text "$out/my reading.rtf" 2>/dev/null)
for expected in "The Sun Period:-" "Saturn Period :-"; do
    grep -qF -- "$expected" <<<"$text" || e2e_fail "the saved reading lacks \"$expected\""
done
e2e_key "$reading" Escape
e2e_wait_for e2e_no_other_window "$app" '^Zorvane v1\.0$' "$frame" || e2e_fail "the reading window did not close"

e2e_log "the update reminder's date in the registry"
reg=$(timeout 60 wine reg query 'HKCU\Software\Zorvane\Zorvane\Settings' 2>/dev/null | tr -d '\r')
grep -q REG_SZ <<<"$reg" || e2e_fail "no setting under HKCU\\Software\\Zorvane\\Zorvane\\Settings: $reg"
stored=$(timeout 60 "$wine_run" "$reminder_date" 2>/dev/null | tr -d '\r')
[[ $stored == "$(date +%F)" ]] || e2e_fail "the stored reminder date is \"$stored\", not today's"

e2e_log "a second copy"
launch
second=$E2E_PID
box=$(e2e_wait_window "$second" '^Zorvane$') || e2e_fail "the second copy showed no message"
sleep 1
e2e_shot second-copy
e2e_key "$box" Return
e2e_wait_exit "$second" || e2e_fail "the second copy did not end"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the second copy ended with $E2E_EXIT"
kill -0 "$app" 2>/dev/null || e2e_fail "the first copy ended"

e2e_log "Exit"
e2e_key "$frame" alt+e
e2e_wait_exit "$app" || e2e_fail "Exit did not end the program"
[[ $E2E_EXIT == 0 ]] || e2e_fail "the program ended with $E2E_EXIT"

e2e_log "silent uninstall"
# The uninstaller copies itself to the temporary folder and runs from there:
# the first process ends at once, the copy when it is done.
timeout 120 wine 'C:\Program Files\Zorvane\Uninstall.exe' /S >"$E2E_ROOT/uninstall.log" 2>&1
timeout 120 wineserver --wait
[[ ! -e $installed ]] || e2e_fail "the uninstaller left $(find "$installed" | head -n 5)"
[[ -z $(ls -A "$program_files" | grep -i zorvane) ]] || e2e_fail "Program Files still holds Zorvane"
[[ ! -e $shortcut ]] || e2e_fail "the uninstaller left the Start-menu shortcut"
timeout 60 wine reg query 'HKCU\Software\Zorvane' >/dev/null 2>&1 && e2e_fail "the uninstaller left HKCU\\Software\\Zorvane"
echo "PASS"
