#!/usr/bin/python3
# The running program as a screen reader sees it, through AT-SPI: every window's objects against the one
# table below, the value an arrow key gives a spin button, and what Generate tells. Keys go through xdotool
# to the window that has the focus. Exit status 1 with the differences.
#   a11y.py FILE    FILE is made once the listeners are in place, for the program to be started
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

# The one table: each window as a screen reader meets it, then its objects depth first in the order the window
# holds them: role, name, description, the states of STATES it has, and for a spin button its value, minimum
# and maximum, for a list its number of entries. What is not showing is not read and is left out, and so is
# a notification, which is heard as it appears; anything else found and not listed here fails the check, a
# decoration read out among them.
STATES, F = {"checked", "editable", "focusable"}, {"focusable"}
label, frame = (lambda text: ("label", text, "", set())), (lambda name: ("frame", name, "", set()))
button = lambda name, tip="": ("push button", name, tip, F)  # noqa: E731
field = lambda name, *spin: [label(name), ("text", name, "", F | {"editable"}), ("spin button", name, "", F, *spin)]
WARNING = ("This Message Will Show Only Once", "Some Websites and Programs will not allow extended characters as "
           "Passwords.  It's advised you test the password before committing to it.", "For example Talvery's "
           "Cellarix stores all data encrypted and since extended characters are cryptic and not standard keyboard "
           "characters Cellarix cannot use them.")
TREE = {
    "warning": [("alert", "Warning", " ".join(WARNING), set()), *map(label, WARNING), button("OK")],
    "main": [frame("Corvane"), label("Password Generator"), label("Character Configuration"),
             *field("4-50 Characters", 31, 4, 50), *field("Number of Passwords", 5, 1, 1000)] +
            [("check box", caption, "", F | {"checked"}) for caption in (
                "Use Numbers  [0-9]", "Use Lowercase  [a-z]", "Use Uppercase  [A-Z]",
                "Use Special Characters (!@#$%^&*-,)", "Use Extended Characters (¢¥§©€«®)")] +
            [button("Help", "Help"), button("About Corvane", "About"), ("list", "Passwords", "", F, 5),
             button("Copy", "Copy selected or all to Windows Clipboard"), button("Save", "Save list to file"),
             button("Generate", "Generate list"), button("Close")],
    "about": [frame("About Corvane"), button("Talvery Software", "Talvery Software"), label("Corvane"),
              label("Version 1.0.0"), frame("Description"),
              label("Come to the Talvery Web Site for more programs.  Click the Talvery button below to visit us or "
                    "click the Mailing List button to be notified of new releases."), frame("Notice"),
              label("This program is provided as is, without warranty of any kind. You are free to use it and to give "
                    "it to others. Passwords are generated on this computer and are never sent anywhere."),
              button("Join the Talvery mailing list", "Join our mailing list"), button("Talvery", "Visit Talvery"),
              button("Close", "Close this window"), button("System Info", "Info about your computer")],
}

events, failures = [], []
MAIN, ABOUT = ("frame", "Corvane"), ("frame", "About Corvane")


def heard(event):
    try:
        events.append((event.type, event.source.getRoleName(), event.source.name, event.detail1, event.any_data))
    except Exception:  # an object already gone, of a window closing, says nothing worth keeping
        pass


def pump(condition, seconds=10):
    context, end = GLib.MainContext.default(), time.time() + seconds
    while not condition() and time.time() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.05)
    return condition()


def keys(*names, to=None):
    if to:  # given the focus first, as a desktop gives it, without a click
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{to}$", "windowfocus", "--sync"])
    subprocess.run(["xdotool", "key", "--delay", "150", *names], check=True)


def window(role, name):
    apps = [app for app in pyatspi.Registry.getDesktop(0) if app and app.name == "Corvane"]
    return next((w for app in apps for w in app if w and (w.getRoleName(), w.name) == (role, name) and
                 w.getState().contains(pyatspi.STATE_SHOWING)), None)


def rows(node):
    # Newer AT-SPI (Debian 13) names a push button "button", and Qt 6.8 gives a plain frame the panel role.
    row = ({"button": "push button", "panel": "frame"}.get(r := node.getRoleName(), r), node.name, node.description,
           {pyatspi.stateToString(s) for s in node.getState().getStates()} & STATES)
    if row[0] == "spin button":
        row += (node.queryValue().currentValue, node.queryValue().minimumValue, node.queryValue().maximumValue)
    if row[0] == "list":
        return [row + (node.childCount,)]
    return [row] + [r for child in node if child and child.getState().contains(pyatspi.STATE_SHOWING) and
                    child.getRoleName() != "notification" for r in rows(child)]


def check_tree(key, role, name):
    found, wanted = (rows(window(role, name)) if pump(lambda: window(role, name), 30) else []), TREE[key]
    if found != wanted:
        failures.append(f"{key}: {[r for r in found if r not in wanted]} not {[r for r in wanted if r not in found]}")


def wait_heard(what, condition):
    if not pump(lambda: any(condition(*e) for e in events)):
        failures.append(f"not heard: {what}; heard {[e[:4] for e in events[-8:]]}")


def main():
    for kind in ("object:state-changed:showing", "object:announcement", "object:property-change:accessible-value"):
        pyatspi.Registry.registerEventListener(heard, kind)
    # The program learns at its start which events are listened to, and may miss a listener that comes while
    # it starts: it is started once this file exists.
    pump(lambda: False, 1)
    open(sys.argv[1], "w").close()
    # Extended characters are stored: the warning comes first.
    check_tree("warning", "alert", "Warning")
    keys("Return", to="Warning")
    # The About picture, last in the order, one step back from the length field.
    keys("shift+Tab", "Return", to="Corvane")
    check_tree("about", *ABOUT)
    keys("Escape", to="About Corvane")
    if not pump(lambda: not window(*ABOUT)):
        failures.append("Escape did not close About")
    keys("Tab", "Tab", "Up", to="Corvane")
    wait_heard("a new length", lambda kind, _, name, *__: kind.endswith("value") and name == "4-50 Characters")
    keys("alt+g")
    # Qt 6.8 announces; before it, a notification appears. Either is what a screen reader speaks.
    wait_heard("5 passwords generated", lambda kind, role, name, shown, data: data == "5 passwords generated" or
               (kind.endswith("showing") and (role, name, shown) == ("notification", "5 passwords generated", 1)))
    check_tree("main", *MAIN)
    raise SystemExit("\n".join(failures) or None)


main()
