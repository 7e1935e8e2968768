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

# Seconds to wait for another Orca of this user to end: Orca runs once per
# user, and refuses to start beside another.
ORCA_WAIT=${ORCA_WAIT:-120}

# True once Orca runs, or has ended without running.
orca_settled() { orca_said "Screen reader on" || process_ended "$ORCA_PID"; }

# Starts speech-dispatcher and Orca; sets ORCA_SPEECH and ORCA_PID to their
# process ids and ORCA_LOG. Another Orca of this user is waited for, never
# ended. False when it still runs after ORCA_WAIT seconds (saying so), or
# when Orca has not said that it runs within E2E_TIMEOUT seconds.
orca_start() {
    local speech=$XDG_CONFIG_HOME/speech-dispatcher prefs=$E2E_ROOT/orca lock others
    local deadline=$((SECONDS + ORCA_WAIT))
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
    # This user's scenarios take turns, by the lock, from looking for another
    # Orca until theirs runs. An Orca started otherwise can still come
    # between the look and the start: ours then refuses, and waits again.
    exec {lock}>>"${TMPDIR:-/tmp}/zorvane-orca-$(id -u).lock"
    flock -w "$ORCA_WAIT" "$lock"
    while :; do
        others=$(pgrep -u "$(id -u)" -x orca | xargs)
        if [[ -z $others ]]; then
            orca --user-prefs "$prefs" --debug-file "$ORCA_LOG" >"$E2E_ROOT/orca.out" 2>&1 {lock}>&- &
            ORCA_PID=$!
            e2e_wait_for orca_settled
            process_ended "$ORCA_PID" || break
            wait "$ORCA_PID"
            ORCA_PID=
            others=$(pgrep -u "$(id -u)" -x orca | xargs)
            [[ -n $others ]] || break
        fi
        if ((SECONDS >= deadline)); then
            echo "orca_start: another Orca of this user ($others) still runs after $ORCA_WAIT seconds" >&2
            break
        fi
        sleep 1
    done
    exec {lock}>&-
    [[ -n ${ORCA_PID:-} ]] && orca_said "Screen reader on"
}

# Ends Orca, then speech-dispatcher with its speech modules, each given 5
# seconds after SIGTERM before SIGKILL.
orca_stop() {
    local modules
    modules=$(pgrep -P "${ORCA_SPEECH:-0}" 2>/dev/null)
    end_processes ${ORCA_PID:-} ${ORCA_SPEECH:-} $modules
    ORCA_PID= ORCA_SPEECH=
}
