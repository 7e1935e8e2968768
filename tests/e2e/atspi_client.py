"""A small screen-reader client on the AT-SPI bus, for the end-to-end scenarios.

It does what a screen reader does to a program: finds it on the accessibility
bus, follows its windows, reads the tree of roles, names and states, listens
to focus changes and says them as a line of text, calls actions, and sends
keys. Every wait is bounded; a wait that runs out raises Timeout.

Run with Debian's own /usr/bin/python3, which holds pyatspi (python3-pyatspi).
"""

import argparse
import re
import subprocess
import sys
import time
from typing import NamedTuple

import pyatspi
from gi.repository import Atspi, GLib

# Seconds a single wait may last before the scenario gives up.
DEFAULT_TIMEOUT = 20.0
POLL_SECONDS = 0.1

# X keysyms of the keys the scenarios press through AT-SPI.
KEYSYMS = {
    "Tab": 0xFF09,
    "Escape": 0xFF1B,
    "Down": 0xFF54,
}


class Timeout(Exception):
    """A bounded wait ran out."""


def pump(seconds=0.0):
    """Dispatches the bus events that have arrived, for at least the given
    seconds; the listeners registered by FocusLog run here."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= deadline:
            return
        time.sleep(min(POLL_SECONDS / 2, max(0.0, deadline - time.monotonic())))


def wait_for(probe, what, timeout=DEFAULT_TIMEOUT):
    """Calls probe() until it returns something true, and returns that;
    raises Timeout naming what was awaited once timeout seconds have passed.
    Bus errors during the wait (an object that went away) count as no answer."""
    deadline = time.monotonic() + timeout
    while True:
        pump()
        try:
            found = probe()
        except GLib.Error:
            found = None
        if found:
            return found
        if time.monotonic() >= deadline:
            raise Timeout(f"waited {timeout:g} s for {what}")
        time.sleep(POLL_SECONDS)


# --- Reading objects ---------------------------------------------------------


def role(acc):
    return acc.getRoleName()


def name(acc):
    return acc.name or ""


def states(acc):
    """The object's states as names, e.g. {"focused", "showing"}."""
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def has_state(acc, state):
    return acc.getState().contains(state)


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(child_count(acc))]
    except GLib.Error:
        return []


def child_count(acc):
    """How many children the object has; none once it has gone away."""
    try:
        return acc.childCount if acc is not None else 0
    except GLib.Error:
        return 0


def extents(acc):
    """(x, y, width, height) on the screen, or None for an object without a
    place (no component, or not laid out)."""
    try:
        box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except (NotImplementedError, GLib.Error):
        return None
    return (box.x, box.y, box.width, box.height)


def actions(acc):
    """Names of the actions the object offers, e.g. ["Press", "SetFocus"]."""
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def text_of(acc):
    """The whole text of an object with the text interface, else None."""
    try:
        text = acc.queryText()
    except NotImplementedError:
        return None
    return text.getText(0, -1)


def caret_offset(acc):
    try:
        return acc.queryText().caretOffset
    except NotImplementedError:
        return None


def walk(root, descend=lambda acc: True):
    """Every object below root, depth first in the bus's child order; the
    children of an object are visited only when descend(object) is true."""
    for child in children(root):
        yield child
        if descend(child):
            yield from walk(child, descend)


def find_all(root, role_name=None, name_text=None, where=lambda acc: True):
    """Objects below root with the role (exact) and a name containing the
    text, that pass the predicate. The items of closed lists are skipped."""
    found = []
    for acc in walk(root, descend=lambda acc: role(acc) != "list" or has_state(acc, pyatspi.STATE_SHOWING)):
        if role_name is not None and role(acc) != role_name:
            continue
        if name_text is not None and name_text not in name(acc):
            continue
        if where(acc):
            found.append(acc)
    return found


def find(root, role_name=None, name_text=None, where=lambda acc: True):
    matches = find_all(root, role_name, name_text, where)
    return matches[0] if matches else None


def wait_object(root, role_name=None, name_text=None, where=lambda acc: True, timeout=DEFAULT_TIMEOUT):
    what = f"a {role_name or 'object'} named {name_text!r}" if name_text else f"a {role_name or 'object'}"
    return wait_for(lambda: find(root, role_name, name_text, where), what, timeout)


# --- The application and its windows ------------------------------------------


def find_app(app_name=None, pid=None, timeout=DEFAULT_TIMEOUT):
    """The application on the accessibility bus with that name, or of that
    process (two copies of a program share its name)."""

    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            if app is None:
                continue
            if (app_name is None or name(app) == app_name) and (pid is None or app.get_process_id() == pid):
                return app
        return None

    what = " of process ".join(str(v) for v in (app_name and repr(app_name), pid) if v) or "any"
    return wait_for(probe, f"the application {what} on the accessibility bus", timeout)


def windows(app):
    """The application's top-level windows that are showing."""
    return [w for w in children(app) if has_state(w, pyatspi.STATE_SHOWING)]


def wait_window(app, title=None, where=lambda window: True, timeout=DEFAULT_TIMEOUT, what=None):
    """A showing top-level window with that exact name (any name when None)
    that passes the predicate (e.g. one that is not an earlier window)."""
    return wait_for(
        lambda: next((w for w in windows(app) if title in (None, name(w)) and where(w)), None),
        what or f"a window named {title!r}",
        timeout,
    )


def wait_gone(acc, what, timeout=DEFAULT_TIMEOUT):
    """Waits until the object has left the screen (not showing, or gone)."""

    def probe():
        try:
            return not has_state(acc, pyatspi.STATE_SHOWING)
        except GLib.Error:
            return True

    wait_for(probe, f"{what} to close", timeout)


def x_windows(pid, title):
    """Ids of the process's visible X windows with exactly that title."""
    found = subprocess.run(
        ["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid), "--name", f"^{re.escape(title)}$"],
        capture_output=True,
        text=True,
    )
    return found.stdout.split()


def x_geometry(window_id):
    """(x, y, width, height) of an X window, as xdotool reports it."""
    shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window_id], capture_output=True, text=True)
    values = dict(line.split("=", 1) for line in shell.stdout.split() if "=" in line)
    return tuple(int(values.get(key, -1)) for key in ("X", "Y", "WIDTH", "HEIGHT"))


def activate(window, pid, timeout=DEFAULT_TIMEOUT):
    """Gives a top-level window the keyboard focus through the window
    manager, as a user's click on it would, unless it has it already: the X
    window of the process with its title and place is activated."""
    if has_state(window, pyatspi.STATE_ACTIVE):
        return
    box = extents(window)
    candidates = x_windows(pid, name(window))
    if not candidates:
        raise Timeout(f"no X window of process {pid} is named {name(window)!r}")
    target = min(candidates, key=lambda wid: sum(abs(a - b) for a, b in zip(x_geometry(wid), box or (0, 0, 0, 0))))
    if subprocess.run(["xdotool", "windowactivate", "--sync", target], capture_output=True).returncode != 0:
        subprocess.run(["xdotool", "windowfocus", "--sync", target], capture_output=True)
    wait_for(lambda: has_state(window, pyatspi.STATE_ACTIVE), f"the window {name(window)!r} to become active", timeout)


def focused(app):
    """The object of the application that has the keyboard focus, or None."""
    for window in windows(app):
        if has_state(window, pyatspi.STATE_ACTIVE):
            match = find(window, where=lambda acc: has_state(acc, pyatspi.STATE_FOCUSED))
            if match is not None:
                return match
    return None


def wait_focus(app, probe_focus, what, timeout=DEFAULT_TIMEOUT):
    """Waits until the focused object passes probe_focus; returns it."""

    def probe():
        acc = focused(app)
        return acc if acc is not None and probe_focus(acc) else None

    return wait_for(probe, what, timeout)


# --- Speech: what a screen reader says ----------------------------------------

# States a screen reader speaks after the role, in this order.
SPOKEN_STATES = [
    ("checked", "checked"),
    ("pressed", "pressed"),
    ("expanded", "expanded"),
    ("selected", "selected"),
    ("read only", "read only"),
]


def ancestors(acc):
    """The objects that hold acc, from its parent up to the application."""
    found = []
    parent = acc.parent
    while parent is not None and len(found) < 100:
        found.append(parent)
        parent = parent.parent
    return found


def labels(acc):
    """The names of the objects that label acc (its labelled-by relation),
    except those that hold it: a screen reader says a frame's name once, on
    entering it, not again for every control inside."""
    holders = ancestors(acc)
    found = []
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                target = relation.getTarget(i)
                if target is not None and target not in holders:
                    found.append(name(target).strip())
    return [text for text in found if text]


def utterance(acc):
    """What a screen reader says when the object gets the focus: its labels
    and its name, its role, the states it speaks, and the description when
    there is one."""
    words = labels(acc) + [name(acc).strip(), role(acc)]
    present = states(acc)
    for state, spoken in SPOKEN_STATES:
        if state in present:
            words.append(spoken)
    if role(acc) in ("radio button", "check box") and "checked" not in present:
        words.append("not checked")
    if not has_state(acc, pyatspi.STATE_SENSITIVE):
        words.append("unavailable")
    description = (acc.description or "").strip()
    if description:
        words.append(description)
    return ", ".join(p for p in words if p)


class Heard(NamedTuple):
    """One thing a screen reader says: on a focus change ("focus") or a
    window's activation ("window"), the whole utterance."""

    kind: str
    text: str


class FocusLog:
    """Listens to focus and window changes of one application (the process
    of the given application object) and keeps what a screen reader would
    say for each, in order."""

    EVENTS = ("object:state-changed:focused", "window:activate")

    def __init__(self, app):
        self.pid = app.get_process_id()
        self.heard = []
        pyatspi.Registry.registerEventListener(self._on_event, *self.EVENTS)

    def close(self):
        pyatspi.Registry.deregisterEventListener(self._on_event, *self.EVENTS)

    def _on_event(self, event):
        try:
            source = event.source
            if source is None or source.get_process_id() != self.pid:
                return
            if event.type.startswith("object:state-changed:focused"):
                if event.detail1:
                    self.heard.append(Heard("focus", utterance(source)))
            elif event.type.startswith("window:activate"):
                self.heard.append(Heard("window", f"{name(source)}, {role(source)}"))
        except GLib.Error:
            pass  # the object went away before it could be read

    def mark(self):
        """The position up to which events have been seen; read with since()."""
        pump()
        return len(self.heard)

    def since(self, mark):
        pump()
        return self.heard[mark:]



# --- The tree as read aloud ---------------------------------------------------


def reading_order(siblings):
    """Siblings in the order a reader meets them on screen: line by line from
    the top, and left to right within a line. An object starts a new line
    unless its top lies above the middle of the line's first object.
    Objects without a place come last, in bus order."""
    placed, unplaced = [], []
    for index, acc in enumerate(siblings):
        box = extents(acc)
        if box is None or box[2] <= 0 or box[3] <= 0:
            unplaced.append(acc)
        else:
            placed.append((box, index, acc))
    placed.sort(key=lambda item: (item[0][1], item[0][0], item[1]))
    lines, line_end = [], None
    for box, index, acc in placed:
        if line_end is None or box[1] >= line_end:
            lines.append([])
            line_end = box[1] + box[3] / 2
        lines[-1].append((box[0], index, acc))
    return [acc for line in lines for _, _, acc in sorted(line, key=lambda item: item[:2])] + unplaced


# Roles whose children are items of a value list, summed up in one line.
ITEM_LISTS = ("list", "menu")
SHOWN_STATES = ("focused", "checked", "selected", "showing", "visible", "focusable", "read only", "modal", "active")


def tree_lines(root, depth=0):
    """The tree below root as "role: name [states]" lines, indented by depth,
    siblings in reading order. The items of a closed list or menu are
    summed up as their count and first and last names."""
    lines = []
    for acc in reading_order(children(root)):
        present = states(acc)
        shown = ",".join(s for s in SHOWN_STATES if s in present)
        line = f"{'  ' * depth}{role(acc)}: {name(acc).strip()} [{shown}]"
        extra = []
        if actions(acc):
            extra.append("actions " + "/".join(actions(acc)))
        if role(acc) in ("text", "document text", "paragraph", "terminal") or "editable" in present:
            text = text_of(acc) or ""
            extra.append(f"text {len(text)} chars, caret {caret_offset(acc)}")
        if extra:
            line += " {" + "; ".join(extra) + "}"
        lines.append(line)
        items = children(acc)
        if role(acc) in ITEM_LISTS and "showing" not in present and items:
            lines.append(f"{'  ' * (depth + 1)}({len(items)} items: {name(items[0])} ... {name(items[-1])})")
        else:
            lines.extend(tree_lines(acc, depth + 1))
    return lines


# --- Acting ------------------------------------------------------------------


def do_action(acc, action_name):
    """Calls the named action of the object; raises LookupError when the
    object does not offer it."""
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == action_name:
            return action.doAction(i)
    raise LookupError(f"{role(acc)} {name(acc)!r} offers no {action_name!r} (only {actions(acc)})")


def key(name_):
    """Presses and releases one key, through the AT-SPI registry."""
    pyatspi.Registry.generateKeyboardEvent(KEYSYMS[name_], None, pyatspi.KEY_SYM)
    pump(0.05)


def type_text(text):
    """Types the text through the AT-SPI registry, one character at a time."""
    for character in text:
        pyatspi.Registry.generateKeyboardEvent(0, character, pyatspi.KEY_STRING)
        pump(0.04)


def set_timeout(milliseconds):
    """How long a call into the program may take before the client gives up."""
    Atspi.set_timeout(milliseconds, -1)


# --- For shell scenarios --------------------------------------------------------


def active_window(app, title_pattern, role_name=None, holding=(), focus_role=None):
    """The application's showing, active top-level window whose whole title
    matches the pattern, of the role, holding objects named with each of the
    texts, whose focused object has that role; None when there is none."""
    for window in windows(app):
        if not re.fullmatch(title_pattern, name(window)) or not has_state(window, pyatspi.STATE_ACTIVE):
            continue
        if role_name is not None and role(window) != role_name:
            continue
        if any(find(window, name_text=text) is None for text in holding):
            continue
        if focus_role is not None:
            focus = find(window, where=lambda acc: has_state(acc, pyatspi.STATE_FOCUSED))
            if focus is None or role(focus) != focus_role:
                continue
        return window
    return None


def main(argv=None):
    parser = argparse.ArgumentParser(description="Waits on the AT-SPI bus for a program's window; for shell scenarios.")
    commands = parser.add_subparsers(dest="command", required=True)
    wait = commands.add_parser("wait-window", help="wait until a window of the process is shown and has the keyboard focus")
    wait.add_argument("--pid", type=int, required=True, help="the program's process id")
    wait.add_argument("--timeout", type=float, default=DEFAULT_TIMEOUT, help="seconds before giving up")
    wait.add_argument("--title", required=True, help="regular expression that the whole title matches")
    wait.add_argument("--role", help='the window\'s role, e.g. "dialog"')
    wait.add_argument(
        "--holding", metavar="TEXT", action="append", default=[], help="a text that the name of an object in the window contains (repeatable)"
    )
    wait.add_argument("--focus", metavar="ROLE", help='the role of the object with the focus, e.g. "text"')
    arguments = parser.parse_args(argv)
    try:
        app = find_app(pid=arguments.pid, timeout=arguments.timeout)
        wait_for(
            lambda: active_window(app, arguments.title, arguments.role, arguments.holding, arguments.focus),
            f"an active window titled {arguments.title!r}"
            + "".join(f", {k} {v!r}" for k, v in (("role", arguments.role), ("holding", " and ".join(arguments.holding)), ("focus on a", arguments.focus)) if v),
            arguments.timeout,
        )
    except Timeout as error:
        print(f"atspi_client: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
