"""What Orca says of Zorvane: the scenario that e2e_screen_reader.sh runs once
Orca and the program are up, the main window active.

Keys go to the program with xdotool, as a person's keyboard would send them.
After each, the scenario waits, for a bounded time, until Orca has said what
a blind user must hear, as its debug log records it, and fails with what Orca
did say when it does not. It takes a reading for 3 March 1912, Night, with
the keyboard alone: the date lists with their label and value, and each new
value as the arrow keys and typing change it; Day and Night; Enter on
"Get My Firdaria Reading"; the periods and sub-periods in the results; the
comprehensive reading with its Save and Print dialogs; the About box; Back,
and Exit, each pressed with Enter. Everything said on the way goes to the
transcript.

Run with Debian's own /usr/bin/python3; it needs nothing beyond the standard
library and xdotool.
"""

import argparse
import datetime
import re
import subprocess
import sys
import time

SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*)' ?(\{.*\})?$")
# The line that ends Orca's handling of an event, key or object.
HANDLED = re.compile(r"\^{5} PROCESS (.*) \^{5}$")
# xdotool's modifiers, by the key Orca's log names.
MODIFIERS = {"ctrl": "Control_L", "alt": "Alt_L", "shift": "Shift_L"}
POLL_SECONDS = 0.05

# Reached with the arrow keys and a single typed letter, which do not depend
# on how fast the keys follow each other as typed words do.
BIRTH = datetime.date(1912, 3, 3)
# The rulers of a night birth's periods, in the order of time. Their dates
# and sub-periods are checked offscreen (tst_Keyboard, tst_frmDisplay).
NIGHT_RULERS = ["The Moon", "Saturn", "Jupiter", "Mars", "North Node", "South Node", "The Sun", "Venus", "Mercury"]
SUB_PERIODS = 6
HINT = "Planetary period and its start; Down reads its sub-periods"
LAST = "Last of this period's sub-periods"
DATE = r"\d{1,2}/\d{1,2}/\d{4}"


class Failed(Exception):
    """Orca did not say what was expected, or said what it must not."""


def short_date(date):
    return f"{date.month}/{date.day}/{date.year}"


class Orca:
    """What Orca says, read from its debug log, and keys sent to the program."""

    def __init__(self, log, timeout, transcript):
        self.log = log
        self.timeout = timeout
        self.transcript = transcript
        # The log read so far: its length in bytes, what was said, the events
        # handled and how many utterances belong to events handled.
        self.offset, self.said, self.handled, self.settled = 0, [], [], 0

    def read(self):
        """What Orca has said for the events it has finished presenting (an
        event's utterances reach the log one by one, a pause apart), and the
        events it has finished, in order. Reads only the log's new lines."""
        with open(self.log, "rb") as log:
            log.seek(self.offset)
            new = log.read()
        new = new[: new.rfind(b"\n") + 1]
        self.offset += len(new)
        for line in new.decode("utf-8", errors="replace").splitlines():
            if spoken := SPOKEN.search(line):
                self.said.append(spoken.group(1).strip())
            elif done := HANDLED.match(line):
                self.handled.append(done.group(1))
                self.settled = len(self.said)
        return self.said[: self.settled], self.handled

    def wait(self, outcome):
        """The outcome once it is true, polled until the timeout; else None."""
        deadline = time.monotonic() + self.timeout
        while not (result := outcome()) and time.monotonic() < deadline:
            time.sleep(POLL_SECONDS)
        return result or None

    def hold(self, modifier):
        """Holds a modifier down once Orca has handled its press, as a finger
        rests on it before the key: Orca takes the modifiers of a move from
        the last key event, so a release it met first would turn Ctrl+End
        into End."""
        self.until_handled(["keydown", modifier], MODIFIERS[modifier])
        if modifier == "alt":
            # Qt's bridge hands the program each key only once Orca has
            # answered it, while Alt+H opens the menu at once; an Alt press
            # handed over later reaches the open menu and closes it. A tap on
            # Shift reaches Orca only after that answer has gone back.
            self.until_handled(["key", "shift"], MODIFIERS["shift"])

    def until_handled(self, xdotool, key):
        """Runs xdotool and waits until Orca has handled the key's press."""
        pressed = f"ATSPI_KEY_PRESSED_EVENT: '{key}'"
        mark = len(self.read()[1])
        subprocess.run(["xdotool", *xdotool], check=True)
        if not self.wait(lambda: any(event.startswith(pressed) for event in self.read()[1][mark:])):
            raise Failed(f"Orca did not take the key {key}")

    def press(self, keys, expected, what, forbidden=()):
        """Presses the keys (xdotool key names, one after the other, a chord's
        modifiers held until the next key, the last chord's until the end) and
        waits until Orca has said each expected utterance, in this order; each
        is a regular expression for a whole utterance, without Orca's closing
        full stop. Nothing said in the meantime may hold a forbidden text.
        Returns the match of each expected utterance. Without keys, what Orca
        has said since it started counts."""
        mark = len(self.read()[0]) if keys else 0
        held = []
        try:
            for chord in keys:
                release(held)
                *held, key = chord.split("+")
                for modifier in held:
                    self.hold(modifier)
                subprocess.run(["xdotool", "key", key], check=True)
            matches = self.wait(lambda: in_order(self.read()[0][mark:], expected))
        finally:
            release(held)
        said = self.read()[0][mark:]
        self.transcript.append(f"-- {what}: {' '.join(keys) or '(no key)'}")
        self.transcript.extend(f"   {text}" for text in said)
        if matches is None:
            raise Failed(f"{what}: Orca did not say {expected}; it said {said}")
        heard = [text for text in said if any(word in text for word in forbidden)]
        if heard:
            raise Failed(f"{what}: Orca said {heard}")
        return matches


def release(modifiers):
    """Lets held modifiers go."""
    if modifiers:
        subprocess.run(["xdotool", "keyup", *modifiers], check=True)


def in_order(said, expected):
    """The matches of the expected patterns against whole utterances, in the
    order given; None when some is missing."""
    matches, at = [], 0
    for pattern in expected:
        for index in range(at, len(said)):
            match = re.fullmatch(pattern, said[index].rstrip(". "))
            if match:
                matches.append(match)
                at = index + 1
                break
        else:
            return None
    return matches


def main_window(orca):
    orca.press([], [r"Zorvane v1\.0 frame", "Get My Firdaria Reading push button"], "the main window opens")
    # Each date list: label and value as the focus reaches it, then each new
    # value as the keys change it.
    orca.press(["Tab"], ["Day of birth combo box", "1"], "Tab to the day")
    orca.press(["Down"], ["2"], "Down in the day")
    orca.press(["Down"], ["3"], "Down in the day")
    orca.press(["Tab"], ["Month of birth combo box", "January"], "Tab to the month")
    orca.press(["m"], ["March"], "typing m")
    orca.press(["Down"], ["April"], "Down in the month")
    orca.press(["Up"], ["March"], "Up in the month")
    orca.press(["Tab"], ["Year of birth combo box", "1910"], "Tab to the year")
    orca.press(["Down"], ["1911"], "Down in the year")
    orca.press(["Down"], ["1912"], "Down in the year")
    orca.press(["Tab"], ["Day", "selected radio button"], "Tab to Day")
    orca.press(["Down"], ["Night", "selected radio button"], "Down to Night")
    # The links, the offer in front chosen at start-up, and round to the
    # reading button.
    orca.press(["Tab"], ["Meet fellow students of the stars.* link"], "Tab to the forum link")
    orca.press(["Tab"], [r"(Home Business Opportunity|Co-brand this software).* link"], "Tab to the offer")
    orca.press(["Tab"], ["Get My Firdaria Reading push button"], "Tab round to the reading button")


def results_frame(orca):
    first, start = NIGHT_RULERS[0], short_date(BIRTH)
    orca.press(
        ["Return"],
        [r"Zorvane v1\.0 frame", "Firdaria periods", f"{first}, {start}", f"List with {SUB_PERIODS} items", re.escape(HINT)],
        "Enter on the reading button",
        forbidden=["layered pane"],
    )
    # The first period's sub-periods, each named for its ruler; the last
    # says so, again at each Down.
    ruler = first.split()[-1]
    for place in range(SUB_PERIODS):
        last = place == SUB_PERIODS - 1
        orca.press(["Down"], [rf"{ruler}/\w+, {DATE}"] + ([re.escape(LAST)] if last else []), f"Down to sub-period {place + 1}")
    orca.press(["Down"], [rf"{ruler}/\w+, {DATE}\. {re.escape(LAST)}"], "Down past the last sub-period")
    orca.press(["shift+Tab"], ["Your Time Of Birth Night label"], "Shift+Tab to the time of birth")
    orca.press(["Tab"], [f"{first}, {start}", f"List with {SUB_PERIODS} items"], "Tab back to the first period")
    # Every period in the order of time, the hint not said again.
    for ruler in NIGHT_RULERS[1:]:
        orca.press(["Tab"], [rf"{ruler}, {DATE}( label)?"], f"Tab to {ruler}", forbidden=[HINT])


def reading_window(orca):
    for ruler in ("The Sun", "Venus", "Mercury", "The Moon", "Saturn", "Jupiter", "Mars", "N. Node", "S. Node"):
        orca.press(["Tab"], [f"Click To Know More About {ruler} push button"], f"Tab to {ruler}'s description")
    orca.press(["Tab"], ["Home Business Opportunity.* link"], "Tab to the offer")
    orca.press(["Tab"], ["Save as JPG push button"], "Tab to Save as JPG")
    orca.press(["Tab"], ["Comprehensive Reading push button"], "Tab to Comprehensive Reading")
    orca.press(
        ["Return"], ["Comprehensive Reading dialog", "Reading text", r"The Sun Period:-.*"], "Enter on Comprehensive Reading"
    )
    # The end of the text, without the empty lines after it.
    orca.press(["ctrl+End"], [r"This is a time to .*"], "Ctrl+End", forbidden=["blank"])
    orca.press(["Down", "Tab"], ["Save push button"], "Down at the end, then Tab to Save", forbidden=["blank"])
    orca.press(["Return"], [r"Zorvane dialog.*"], "Enter on Save: the Save As dialog")
    orca.press(["Escape"], ["Comprehensive Reading dialog", "Save push button"], "Esc")
    orca.press(["Tab"], ["Print push button"], "Tab to Print")
    orca.press(["Return"], ["Print dialog"], "Enter on Print: the print dialog")
    orca.press(["Escape"], ["Print push button"], "Esc")
    orca.press(["Escape"], [r"Zorvane v1\.0 frame", "Comprehensive Reading push button"], "Esc closes the reading")


def about_box(orca):
    orca.press(["alt+h"], ["Online Help"], "Alt+H, the Help menu")
    orca.press(["a"], [r"Zorvane v1\.0 dialog Zorvane is a form of Medieval astrology.*", "OK push button"], "About Software")
    orca.press(["Return"], [r"Zorvane v1\.0 frame", "Comprehensive Reading push button"], "Enter on OK")


def back_and_exit(orca):
    orca.press(["Tab"], ["Back push button"], "Tab to Back")
    orca.press(["Return"], [r"Zorvane v1\.0 frame", "Get My Firdaria Reading push button"], "Enter on Back")
    orca.press(["Tab"], ["Day of birth combo box", str(BIRTH.day)], "the day kept")
    orca.press(["shift+Tab", "Return"], [f"{NIGHT_RULERS[0]}, {short_date(BIRTH)}"], "the reading again")
    orca.press(["shift+Tab"], ["Your Time Of Birth Night label"], "Shift+Tab to the time of birth")
    orca.press(["shift+Tab"], ["Visit our online astrology forum.* link"], "Shift+Tab to the banner")
    orca.press(["shift+Tab"], ["Exit push button"], "Shift+Tab to Exit")
    subprocess.run(["xdotool", "key", "Return"], check=True)
    orca.transcript.append("-- Enter on Exit: Return")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--log", required=True, help="Orca's debug log")
    parser.add_argument("--transcript", required=True, help="file for what Orca said")
    parser.add_argument("--timeout", type=float, default=20, help="seconds to wait for Orca after a key")
    arguments = parser.parse_args()
    transcript = ["What Orca says of Zorvane, key by key, from its debug log."]
    orca = Orca(arguments.log, arguments.timeout, transcript)
    status = 0
    try:
        for part in (main_window, results_frame, reading_window, about_box, back_and_exit):
            transcript.append(f"== {part.__name__.replace('_', ' ')}")
            part(orca)
    except (Failed, subprocess.CalledProcessError) as error:
        print(f"FAIL: {error}", file=sys.stderr)
        transcript.append(f"!! {error}")
        status = 1
    with open(arguments.transcript, "w", encoding="utf-8") as out:
        out.write("\n".join(transcript) + "\n")
    print(f"transcript: {arguments.transcript}")
    return status


if __name__ == "__main__":
    sys.exit(main())
