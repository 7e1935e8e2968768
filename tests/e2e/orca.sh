# Orca, Debian's screen reader, for the screen-reader scenario: speech goes
# through speech-dispatcher and espeak-ng to ALSA's null device, and
# everything Orca says is written to its debug log, line by line. Orca's
# settings, the speech settings and the log stay in the scenario's own
# folders. Source after atspi.sh and lib.sh, inside the scenario's D-Bus
# session, once atspi_start has brought up the accessibility bus.
#
# Usage: orca_start || e2e_fail ...; ... orca_stop

# The debug log, where each utterance reads "SPEECH OUTPUT: '...'".
ORCA_LOG=

# True once Orca has said the text.
orca_said() { grep -qF "SPEECH OUTPUT: '$1" "$ORCA_LOG" 2>/dev/null; }

# Starts speech-dispatcher and Orca; sets ORCA_SPEECH and ORCA_PID to their
# process ids and ORCA_LOG. False when Orca has not said that it runs within
# E2E_TIMEOUT seconds.
orca_start() {
    local speech=$XDG_CONFIG_HOME/speech-dispatcher prefs=$E2E_ROOT/orca
    ORCA_LOG=$E2E_ROOT/orca-debug.log
    mkdir -p "$speech" "$prefs"
    cat >"$speech/speechd.conf" <<'EOF'
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "en"
EOF
    # In the foreground, so that its process id is known, and never ending
    # for want of clients; Orca finds it at the runtime folder's socket.
    speech-dispatcher --run-single --timeout 0 --config-dir "$speech" --log-dir "$E2E_ROOT" \
        >"$E2E_ROOT/speech-dispatcher.out" 2>&1 &
    ORCA_SPEECH=$!
    # Orca writes its debug log through a buffer; it loads this file from its
    # settings folder at start-up, and each line then reaches the log at once.
    cat >"$prefs/orca-customizations.py" <<'EOF'
import orca.debug
if orca.debug.debugFile:
    orca.debug.debugFile.reconfigure(line_buffering=True)
EOF
    orca --user-prefs "$prefs" --debug-file "$ORCA_LOG" >"$E2E_ROOT/orca.out" 2>&1 &
    ORCA_PID=$!
    e2e_wait_for orca_said "Screen reader on"
}

# Ends Orca, then speech-dispatcher with its speech modules, each given 5
# seconds after SIGTERM before SIGKILL.
orca_stop() {
    local pid modules
    modules=$(pgrep -P "${ORCA_SPEECH:-0}" 2>/dev/null)
    for pid in ${ORCA_PID:-} ${ORCA_SPEECH:-} $modules; do
        kill -TERM "$pid" 2>/dev/null || continue
        wait_for 5 process_ended "$pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    ORCA_PID= ORCA_SPEECH=
}
