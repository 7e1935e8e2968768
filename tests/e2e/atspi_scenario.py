"""The program through the AT-SPI bus: the scenario that e2e_atspi.sh runs
once the accessibility bus and the program are up.

It checks what a blind user relies on today: the main window and its controls
are on the bus; a reading for 15 March 1980, Night is taken with the keyboard
and accessible actions alone; the results frame appears and its periods read
back right; the About box and the comprehensive reading open and close; Exit
is pressed (the shell script checks that the program ends with 0). Any of
these failing fails the scenario.

It also checks what no speech shows, which Orca's scenario
(orca_scenario.py) cannot: nothing off screen or covered announced as
showing, menu items whose action returns at once while the window they open
is up, and link labels that take the focus through the bus. Each of these
that fails fails the scenario too, and says what it found.

Everything heard on the way, and every window's tree, goes to the transcript.
"""

import argparse
import datetime
import os
import re
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import atspi_client as sr  # noqa: E402
import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402

TITLE = "Zorvane v1.0"

# The reading taken: 15 March 1980, by night.
BIRTH = datetime.date(1980, 3, 15)
TYPED = {"month": "Mar", "day": "15", "year": "1980"}
EXPECTED_CHOICE = {"month": "March", "day": "15", "year": "1980"}

# The periods of a night birth: the heading's ruler and the period's start in
# whole years from the birth (no 29 February, so plain year steps).
NIGHT_PERIODS = [
    ("Moon", 0),
    ("Saturn", 9),
    ("Jupiter", 20),
    ("Mars", 32),
    ("North Node", 39),
    ("South Node", 42),
    ("Sun", 44),
    ("Venus", 54),
    ("Mercury", 62),
]
LIFE_YEARS = 75
NODES = ("North Node", "South Node")
# One sub-period named in the issue, read aloud as one phrase by a fixed program.
KNOWN_ROW = ("Moon/Saturn", "6/27/1981")

SHORT_DATE = re.compile(r"\b(\d{1,2})/(\d{1,2})/(\d{4})\b")
# A period's heading as shown ("The Moon :: 3/15/1980") or read as one
# phrase ("The Moon, 3/15/1980"); a sub-period's row names two rulers.
HEADING = re.compile(r"^\s*(?:The\s+)?([^/]+?)\s*(?:::|,)\s*(\d{1,2}/\d{1,2}/\d{4})\s*$")
ROW_NAME = re.compile(r"^\s*(\w+)/(\w+)\s*-?\s*$")

# Seconds a call into the program may take; the About box's menu item is
# given less, to tell a call that returns from one that waits for the box.
CALL_MILLISECONDS = 5000
MODAL_CALL_MILLISECONDS = 2000


class Failed(Exception):
    """A check of what already works did not hold."""


def require(condition, message):
    if not condition:
        raise Failed(message)


def short_date(date):
    """A date as the program shows it under en_US: month/day/year, no zeros."""
    return f"{date.month}/{date.day}/{date.year}"


def parse_short_date(text):
    match = SHORT_DATE.search(text)
    return datetime.date(int(match.group(3)), int(match.group(1)), int(match.group(2))) if match else None


def years_after(date, years):
    return date.replace(year=date.year + years)


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


def read_periods(window):
    """The periods as the results window shows them, read from its tree:
    [(ruler, start date, [(sub-period name, start date), ...])], the heading
    of each period with the rows beneath it. A row is one object naming both
    the sub-period and its date, or a name label followed by a date label."""
    periods = []
    for acc in sr.find_all(window, where=lambda a: HEADING.match(sr.name(a)) is not None):
        ruler, date_text = HEADING.match(sr.name(acc)).groups()
        rows, pending = [], None
        for child in sr.reading_order(sr.children(acc)):
            text = sr.name(child)
            date = parse_short_date(text)
            row_name = ROW_NAME.match(text) or ROW_NAME.match(SHORT_DATE.sub("", text).rstrip(" ,"))
            if date is not None and pending is not None:
                rows.append((pending, date))
                pending = None
            elif row_name is not None and date is not None:
                rows.append((f"{row_name.group(1)}/{row_name.group(2)}", date))
            elif row_name is not None:
                pending = f"{row_name.group(1)}/{row_name.group(2)}"
        periods.append((ruler, parse_short_date(date_text), rows))
    return periods


def check_periods(periods):
    """The periods of 15 March 1980, Night, as read back: the nine headings
    in the night order, six sub-periods in each planetary period, each named
    for its period's ruler and starting inside its period, in date order."""
    by_ruler = {ruler: (start, rows) for ruler, start, rows in periods}
    require(len(periods) == len(NIGHT_PERIODS), f"{len(periods)} period headings read, not {len(NIGHT_PERIODS)}")
    for place, (ruler, years) in enumerate(NIGHT_PERIODS):
        require(ruler in by_ruler, f"no heading for the {ruler} period")
        start, rows = by_ruler[ruler]
        expected = years_after(BIRTH, years)
        require(start == expected, f"the {ruler} period starts {start}, not {expected}")
        following = NIGHT_PERIODS[place + 1][1] if place + 1 < len(NIGHT_PERIODS) else LIFE_YEARS
        end = years_after(BIRTH, following)
        if ruler in NODES:
            require(not rows, f"the {ruler} period has sub-period rows: {rows}")
            continue
        require(len(rows) == 6, f"the {ruler} period has {len(rows)} sub-period rows, not 6")
        dates = [date for _, date in rows]
        require(
            all(a < b for a, b in zip([start] + dates, dates + [end])),
            f"the {ruler} sub-periods do not run in order inside {start} .. {end}: {rows}",
        )
        short = ruler.split()[-1]
        wrong = [name for name, _ in rows if not name.startswith(short + "/")]
        require(not wrong, f"rows of the {ruler} period are named for another ruler: {wrong}")
    moon_rows = {name: short_date(date) for name, date in by_ruler["Moon"][1]}
    require(
        moon_rows.get(KNOWN_ROW[0]) == KNOWN_ROW[1],
        f"{KNOWN_ROW[0]} starts {moon_rows.get(KNOWN_ROW[0])}, not {KNOWN_ROW[1]}",
    )


# --- What a screen-reader user still meets ------------------------------------
# Each check returns the problems it finds, as sentences; none when it holds.


def check_hidden_not_showing(window):
    """Objects outside the area of a container that holds them, or mostly
    covered by a sibling, must not be announced as showing."""
    problems = []

    def visit(acc, containers):
        shown = []
        for child in sr.children(acc):
            if sr.has_state(child, pyatspi.STATE_SHOWING):
                shown.append((child, sr.extents(child)))
        for child, box in shown:
            placed = box is not None and box[2] > 0 and box[3] > 0
            outside = next((c for c in reversed(containers) if placed and not sr.intersects(box, c[1])), None)
            if outside is not None:
                problems.append(
                    f"{sr.role(child)} {sr.name(child)!r} is showing but lies outside the {outside[0]} that holds it"
                    f" (at {box}, the {outside[0]} at {outside[1]})"
                )
            visit(child, containers + [(sr.role(child), box)] if placed else containers)
        leaves = [(child, box) for child, box in shown if child.childCount == 0]
        for i, (a, box_a) in enumerate(leaves):
            for b, box_b in leaves[i + 1 :]:
                if covered(box_a, box_b):
                    problems.append(f"{sr.role(a)} {sr.name(a)!r} and {sr.role(b)} {sr.name(b)!r} are both showing on one place")

    box = sr.extents(window)
    visit(window, [(sr.role(window), box)] if box else [])
    return problems


def covered(a, b):
    """True when two places share more than half of the smaller one."""
    if a is None or b is None or not sr.intersects(a, b):
        return False
    width = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    height = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    return width * height * 2 > min(a[2] * a[3], b[2] * b[3])


def check_links_take_focus(window):
    problems = []
    for link in sr.find_all(window, "link", where=lambda acc: sr.has_state(acc, pyatspi.STATE_SHOWING)):
        taken = sr.grab_focus(link)
        if taken:
            try:
                sr.wait_for(lambda: sr.has_state(link, pyatspi.STATE_FOCUSED), "the link's focus", timeout=2)
            except sr.Timeout:
                taken = False
        if not taken:
            problems.append(f"link {sr.name(link)[:40]!r} cannot take the focus (actions {sr.actions(link)})")
    return problems


# --- The scenario -------------------------------------------------------------


class Scenario:
    def __init__(self, app_name, pid):
        self.app_name = app_name
        self.pid = pid
        self.transcript = Transcript()
        self.failures = []  # (check, problems) of the checks that did not hold

    def check(self, check, problems):
        if problems:
            self.failures.append((check, problems))
        print(f"{'FAIL' if problems else 'ok'}: {check}")
        for problem in problems:
            print(f"    {problem}")

    def run(self):
        sr.set_timeout(CALL_MILLISECONDS)
        self.app = sr.find_app(self.app_name, self.pid)
        self.log = sr.FocusLog(self.app)
        self.main_window()
        self.take_reading()
        self.results_frame()
        self.reading_window()
        self.about_box()
        self.leave()

    def main_window(self):
        main = self.main = sr.wait_window(self.app, TITLE)
        require(sr.role(main) == "frame", f"the main window is a {sr.role(main)}")
        sr.activate(main, self.pid)
        lists = self.lists = date_lists(main)
        require(sorted(lists) == ["day", "month", "year"], f"date lists found on the bus: {sorted(lists)}")
        for radio in ("Day", "Night"):
            require(sr.find(main, "radio button", radio), f"no {radio!r} option on the bus")
        require(sr.has_state(sr.find(main, "radio button", "Day"), pyatspi.STATE_CHECKED), "Day is not chosen at start")
        self.next_button = sr.find(main, "push button", "Get My Firdaria Reading")
        require(self.next_button is not None, "no 'Get My Firdaria Reading' button on the bus")
        for menu in ("File", "Help"):
            require(sr.find(main, "menu item", menu), f"no {menu!r} menu on the bus")
        focus = sr.wait_focus(self.app, lambda acc: True, "the focus in the main window")
        self.transcript.window(f'Main window "{TITLE}"')
        self.transcript.heard("when it opens", [f"{sr.name(main)}, {sr.role(main)}", sr.utterance(focus)])
        self.transcript.tree(main)
        self.main_hidden_problems = check_hidden_not_showing(main)
        self.link_problems = check_links_take_focus(main)

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
        self.check(
            "a menu item that opens a modal window returns at once",
            [f"the About Software action had not returned after {waited:.1f} s, with the About box open: {blocked}"] if blocked else [],
        )
        self.check(
            "link labels can take the focus through AT-SPI",
            self.link_problems + check_links_take_focus(about),
        )
        sr.activate(about, self.pid)
        sr.key("Escape")
        sr.wait_gone(about, "the About box (Esc)")

    def take_reading(self):
        """15 March 1980, Night, with Tab, typing and the arrow keys, from the
        reading button; then the button's Press action."""
        sr.activate(self.main, self.pid)
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
        sr.wait_for(lambda: not sr.has_state(main, pyatspi.STATE_SHOWING), "the main window to hide")
        sr.wait_object(results, "push button", "Exit")
        buttons = [sr.name(acc) for acc in sr.find_all(results, "push button")]
        for button in ("Save as JPG", "Comprehensive Reading", "Back", "Exit"):
            require(button in buttons, f"no {button!r} button")
        sr.activate(results, self.pid)
        sr.wait_for(lambda: any(h.kind == "focus" for h in self.log.since(self.mark_results)), "the focus in the results frame")
        sr.pump(0.5)
        opened = self.log.since(self.mark_results)
        self.transcript.window(f'Results frame "{TITLE}"')
        self.transcript.heard("when it opens", heard_lines(opened))
        self.transcript.tree(results)
        time_of_birth = sr.find(results, where=lambda acc: sr.name(acc).strip() == "Night")
        require(time_of_birth is not None, "the time of birth 'Night' is not on the bus")
        periods = read_periods(results)
        check_periods(periods)
        self.check(
            "objects off screen or covered are not announced as showing",
            self.main_hidden_problems + check_hidden_not_showing(results),
        )
        self.link_problems += check_links_take_focus(results)

    def reading_window(self):
        results = self.results
        button = sr.find(results, "push button", "Comprehensive Reading")
        mark = self.log.mark()
        sr.do_action(button, "Press")
        # Found by role, not name: the window's name is to say which reading it holds.
        reading = sr.wait_window(self.app, where=lambda w: w != results and sr.role(w) == "dialog", what="the reading window")
        text = sr.wait_object(reading, where=lambda acc: (sr.text_of(acc) or "").count("Period") >= 9)
        for heading in ("The Sun Period:-", "Venus Period :-", "Mercury Period :-", "South Node"):
            require(heading in sr.text_of(text), f"the comprehensive reading lacks {heading!r}")
        sr.pump(0.5)
        opened = self.log.since(mark)
        self.transcript.window(f'Reading window "{sr.name(reading)}" (Comprehensive Reading)')
        self.transcript.heard("when it opens", heard_lines(opened))
        self.transcript.tree(reading)
        self.link_problems += check_links_take_focus(reading)
        sr.activate(reading, self.pid)
        sr.key("Escape")
        sr.wait_gone(reading, "the reading window (Esc)")

    def leave(self):
        exit_button = sr.find(self.results, "push button", "Exit")
        require(exit_button is not None, "no Exit button")
        sr.do_action(exit_button, "Press")

    def report(self):
        self.transcript.window("Checks that did not hold")
        for check, problems in self.failures:
            self.transcript.note(f"[FAIL] {check}")
            self.transcript.lines += [f"    {p}" for p in problems]
        print(f"{len(self.failures)} failures")


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
    scenario.report()
    scenario.transcript.save(arguments.transcript)
    print(f"transcript: {arguments.transcript}")
    return 1 if status or scenario.failures else 0


if __name__ == "__main__":
    sys.exit(main())
