# The accessibility bus of a screen-reader scenario, inside the scenario's own
# D-Bus session (dbus-run-session): at-spi-bus-launcher, which starts the
# accessibility bus daemon, and the AT-SPI registry. Both are started here
# rather than by D-Bus activation, so that their process ids are known and
# atspi_stop ends them; nothing may activate them before atspi_start has
# waited for both, or the bus would start copies of its own.
#
# Usage: source atspi.sh; atspi_own_session "$0" "$@"; source lib.sh;
#        e2e_start ...; atspi_start || e2e_fail ...

ATSPI_LIBEXEC=${ATSPI_LIBEXEC:-/usr/libexec}
ATSPI_CLIENT=$(dirname "${BASH_SOURCE[0]}")/atspi_client.py

# atspi_own_session <script> <arguments...>: runs the script again inside a
# D-Bus session of its own, unless it runs in one already; dbus-run-session
# ends the session's bus, with whatever was activated on it, when the script
# ends.
atspi_own_session() {
    [[ -n ${E2E_DBUS_SESSION_OWNED:-} ]] && return 0
    E2E_DBUS_SESSION_OWNED=1 exec dbus-run-session -- bash "$@"
}

# atspi_wait_window --pid <pid> --title <regex> [--role R] [--holding TEXT]
# [--focus ROLE]: waits until the process shows a window with that title that
# has the keyboard focus (see atspi_client.py wait-window). Run with Debian's
# own Python, which holds pyatspi.
atspi_wait_window() {
    PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$ATSPI_CLIENT" wait-window --timeout "$E2E_TIMEOUT" "$@"
}

# True when the name has an owner on the bus given by address (or "session").
atspi_name_owned() {
    local bus=$1 name=$2 where
    if [[ $bus == session ]]; then where=(--session); else where=(--bus="$bus"); fi
    dbus-send "${where[@]}" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:"$name" 2>/dev/null | grep -q 'boolean true'
}

atspi_bus_address() {
    dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null |
        tr -d ' '
}

# Starts the accessibility bus and the registry; sets ATSPI_LAUNCHER and
# ATSPI_REGISTRY to their process ids and ATSPI_BUS to the bus's address.
# False when either is not on its bus within E2E_TIMEOUT seconds.
#
# The address is handed to the registry alone, not exported: Qt 6.4 connects
# to a bus named in AT_SPI_BUS_ADDRESS but then never appears among the
# desktop's applications, so the program must find the bus through the
# session bus (org.a11y.Bus), as on a desktop.
atspi_start() {
    [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] || { echo "atspi_start: no D-Bus session" >&2; return 1; }
    "$ATSPI_LIBEXEC/at-spi-bus-launcher" --launch-immediately >"$E2E_ROOT/at-spi-bus-launcher.log" 2>&1 &
    ATSPI_LAUNCHER=$!
    e2e_wait_for atspi_name_owned session org.a11y.Bus || return 1
    ATSPI_BUS=$(atspi_bus_address)
    [[ -n $ATSPI_BUS ]] || return 1
    AT_SPI_BUS_ADDRESS=$ATSPI_BUS "$ATSPI_LIBEXEC/at-spi2-registryd" >"$E2E_ROOT/at-spi2-registryd.log" 2>&1 &
    ATSPI_REGISTRY=$!
    e2e_wait_for atspi_name_owned "$ATSPI_BUS" org.a11y.atspi.Registry
}

# Ends the registry, the launcher and the accessibility bus daemon that the
# launcher started, each given 5 seconds after SIGTERM before SIGKILL.
atspi_stop() {
    local bus_daemons
    bus_daemons=$(pgrep -P "${ATSPI_LAUNCHER:-0}" 2>/dev/null)
    end_processes ${ATSPI_REGISTRY:-} ${ATSPI_LAUNCHER:-} $bus_daemons
    ATSPI_REGISTRY= ATSPI_LAUNCHER=
}
