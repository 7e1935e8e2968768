"""The program through the AT-SPI bus: the scenario that e2e_atspi.sh runs
once the accessibility bus and the program are up.

It checks what only a client of the bus shows: the program's windows are
reachable on the bus; a reading for 15 March 1980, Night is taken with keys
sent through the AT-SPI registry and accessible actions alone, and the
results frame shows its first period read as one phrase; Help > About
Software, pressed through the menu item's action, returns at once while the
About box is up; Exit is pressed (the shell script checks that the program
ends with 0). The exact names, focus order and what is announced as showing
are checked offscreen (tst_Keyboard); what Orca says, by
orca_scenario.py.

Everything heard on the way, and every window's tree, goes to the transcript.
"""

import argparse
import os
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import atspi_client as sr  # noqa: E402
import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402

TITLE = "Zorvane v1.0"

# The reading taken: 15 March 1980, by night, whose first period is the
# Moon's from the birth.
TYPED = {"month": "Mar", "day": "15", "year": "1980"}
EXPECTED_CHOICE = {"month": "March", "day": "15", "year": "1980"}
FIRST_PERIOD = "The Moon, 3/15/1980"

# Seconds a call into the program may take; the About box's menu item is
# given less, to tell a call that returns from one that waits for the box.
CALL_MILLISECONDS = 5000
MODAL_CALL_MILLISECONDS = 2000


class Failed(Exception):
    """A check did not hold."""


def require(condition, message):
    if not condition:
        raise Failed(message)


# --- The transcript -----------------------------------------------------------


class Transcript:
    def __init__(self):
        self.lines = [
            "What a screen-reader user hears from Zorvane, through AT-SPI (pyatspi).",
            'Lines under "heard" are what a screen reader says on window and focus',
            "changes: name, role, spoken states, description. Trees list each object as",
            '"role: name [states] {actions; text}", siblings line by line from the top',
            "and left to right, as a flat review meets them.",
        ]

    def window(self, title):
        self.lines += ["", f"== {title}"]

    def heard(self, what, utterances):
        self.lines.append(f"-- heard {what}")
        self.lines += [f"  {text}" for text in utterances] or ["  (nothing)"]

    def tree(self, window):
        self.lines.append(f"-- the tree of {sr.role(window)} {sr.name(window)!r}")
        self.lines += ["  " + line for line in sr.tree_lines(window)]

    def note(self, text):
        self.lines.append(text)

    def save(self, path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write("\n".join(self.lines) + "\n")


def heard_lines(entries):
    return [f"[{h.kind}] {h.text}" for h in entries]


# --- Reading the windows ------------------------------------------------------


def date_lists(main):
    """The three date lists by what they hold: {"month": ..., "day": ...,
    "year": ...}, told apart by their items, not by their names."""
    lists = {}
    for combo in sr.find_all(main, "combo box"):
        items = [sr.name(item) for box in sr.children(combo) for item in sr.children(box)]
        if items[:1] == ["January"] and len(items) == 12:
            lists["month"] = combo
        elif items[:1] == ["1"] and len(items) == 31:
            lists["day"] = combo
        elif items[:1] == ["1910"] and items[-1:] == ["2050"]:
            lists["year"] = combo
    return lists


def chosen(combo):
    """The chosen entry of a drop-down list: its selected item."""
    for box in sr.children(combo):
        for item in sr.children(box):
            if sr.has_state(item, pyatspi.STATE_SELECTED):
                return sr.name(item)
    return None


# --- The scenario -------------------------------------------------------------


class Scenario:
    def __init__(self, app_name, pid):
        self.app_name = app_name
        self.pid = pid
        self.transcript = Transcript()

    def run(self):
        sr.set_timeout(CALL_MILLISECONDS)
        self.app = sr.find_app(self.app_name, self.pid)
        self.log = sr.FocusLog(self.app)
        self.main_window()
        self.take_reading()
        self.results_frame()
        self.about_box()
        self.leave()

    def main_window(self):
        main = self.main = sr.wait_window(self.app, TITLE)
        sr.activate(main, self.pid)
        lists = self.lists = date_lists(main)
        require(sorted(lists) == ["day", "month", "year"], f"date lists found on the bus: {sorted(lists)}")
        self.next_button = sr.find(main, "push button", "Get My Firdaria Reading")
        require(self.next_button is not None, "no 'Get My Firdaria Reading' button on the bus")
        focus = sr.wait_focus(self.app, lambda acc: True, "the focus in the main window")
        self.transcript.window(f'Main window "{TITLE}"')
        self.transcript.heard("when it opens", [f"{sr.name(main)}, {sr.role(main)}", sr.utterance(focus)])
        self.transcript.tree(main)

    def take_reading(self):
        """15 March 1980, Night, with Tab, typing and the arrow keys, from the
        reading button; then the button's Press action."""
        sr.do_action(self.next_button, "SetFocus")
        sr.wait_focus(self.app, lambda acc: acc == self.next_button, "the focus on the reading button")
        mark = self.log.mark()
        done = set()
        for _ in range(12):
            sr.key("Tab")
            focus = sr.wait_focus(self.app, lambda acc: True, "the focus after Tab")
            kind = next((k for k, combo in self.lists.items() if combo == focus), None)
            if kind is not None and kind not in done:
                sr.type_text(TYPED[kind])
                sr.wait_for(lambda: chosen(focus) == EXPECTED_CHOICE[kind], f"{EXPECTED_CHOICE[kind]!r} in the {kind} list", 5)
                done.add(kind)
            elif sr.role(focus) == "radio button" and "night" not in done:
                if sr.name(focus) == "Day":
                    sr.key("Down")
                night = sr.find(self.main, "radio button", "Night")
                sr.wait_for(lambda: sr.has_state(night, pyatspi.STATE_CHECKED), "Night chosen with the arrow key", 5)
                done.add("night")
            if len(done) == 4:
                break
        require(len(done) == 4, f"Tab did not reach every choice; made: {sorted(done)}")
        sr.pump(0.3)
        self.transcript.heard("choosing 15 March 1980, Night with the keyboard", heard_lines(self.log.since(mark)))
        self.mark_results = self.log.mark()
        sr.do_action(self.next_button, "Press")

    def results_frame(self):
        main = self.main
        results = self.results = sr.wait_window(self.app, TITLE, where=lambda w: w != main and sr.role(w) == "frame")
        sr.wait_object(results, name_text=FIRST_PERIOD)
        sr.activate(results, self.pid)
        sr.wait_for(lambda: any(h.kind == "focus" for h in self.log.since(self.mark_results)), "the focus in the results frame")
        sr.pump(0.5)
        self.transcript.window(f'Results frame "{TITLE}"')
        self.transcript.heard("when it opens", heard_lines(self.log.since(self.mark_results)))
        self.transcript.tree(results)

    def about_box(self):
        """Help > About Software through the menu item's action, as a screen
        reader calls it; the call's return tells whether it waited for the box."""
        item = sr.find(self.results, "menu item", "About Software")
        require(item is not None, "no About Software menu item on the bus")
        mark = self.log.mark()
        sr.set_timeout(MODAL_CALL_MILLISECONDS)
        started = time.monotonic()
        try:
            sr.do_action(item, "Press")
            blocked = None
        except GLib.Error as error:
            blocked = error.message  # no reply in time: the program was still in the call
        waited = time.monotonic() - started
        sr.set_timeout(CALL_MILLISECONDS)
        about = sr.wait_window(self.app, where=lambda w: sr.role(w) == "dialog", what="the About box")
        sr.wait_object(about, "push button", "OK")
        sr.pump(0.3)
        self.transcript.window(f'About box "{sr.name(about)}" (Help > About Software in the results frame)')
        self.transcript.heard("when it opens", heard_lines(self.log.since(mark)))
        self.transcript.tree(about)
        require(not blocked, f"the About Software action had not returned after {waited:.1f} s, with the About box open: {blocked}")
        sr.activate(about, self.pid)
        sr.key("Escape")
        sr.wait_gone(about, "the About box (Esc)")

    def leave(self):
        exit_button = sr.find(self.results, "push button", "Exit")
        require(exit_button is not None, "no Exit button")
        sr.do_action(exit_button, "Press")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", default="zorvane", help="the application's name on the accessibility bus")
    parser.add_argument("--pid", type=int, required=True, help="the program's process, whose windows are activated")
    parser.add_argument("--transcript", required=True, help="file for what was heard and the trees")
    arguments = parser.parse_args()
    scenario = Scenario(arguments.app, arguments.pid)
    status = 0
    try:
        scenario.run()
    except (Failed, sr.Timeout, LookupError) as error:
        print(f"FAIL: {error}", file=sys.stderr)
        scenario.transcript.note(f"!! the scenario stopped: {error}")
        status = 1
    scenario.transcript.save(arguments.transcript)
    print(f"transcript: {arguments.transcript}")
    return status


if __name__ == "__main__":
    sys.exit(main())
