"""Reads the running program's main window through AT-SPI, as a screen reader
does. `startup`: every control and readout right after start-up, with its
name, role, enabled (and checked) state and a slider's value. `play`: with a
wave open, presses Play through its action; Play must stay in and the time
readout must run. `notebox`: the Note box's controls with their names,
roles and states; "More notes" pressed through its action shows one note
more. Prints a FAIL line and exits 1 on the first difference."""
import sys
import time

import pyatspi

R = pyatspi
# name, role, enabled, checked (None: not checkable)
STARTUP = [
    ("Play", R.ROLE_TOGGLE_BUTTON, False, False), ("Pause", R.ROLE_TOGGLE_BUTTON, False, False),
    ("Keep", R.ROLE_TOGGLE_BUTTON, False, False), ("Fast forward", R.ROLE_PUSH_BUTTON, False, None),
    ("Rewind", R.ROLE_PUSH_BUTTON, False, None), ("Stop", R.ROLE_PUSH_BUTTON, True, None),
    ("Live input", R.ROLE_TOGGLE_BUTTON, True, False),
    ("Keyboard range down", R.ROLE_PUSH_BUTTON, True, None), ("Keyboard range up", R.ROLE_PUSH_BUTTON, True, None),
    ("Position", R.ROLE_SLIDER, False, None),
    ("Mark Point", R.ROLE_GROUPING, False, None), ("Set mark", R.ROLE_PUSH_BUTTON, False, None),
    ("Set repeat end", R.ROLE_PUSH_BUTTON, False, None), ("Clear mark", R.ROLE_PUSH_BUTTON, False, None),
    ("Clear repeat end", R.ROLE_PUSH_BUTTON, False, None),
    ("Pitch adjust down", R.ROLE_PUSH_BUTTON, True, None), ("Pitch adjust up", R.ROLE_PUSH_BUTTON, True, None),
    ("A= 440Hz", R.ROLE_LABEL, True, None),
    ("Sampling Time", R.ROLE_GROUPING, True, None), ("46ms(Coarse)", R.ROLE_RADIO_BUTTON, True, False),
    ("93ms(Normal)", R.ROLE_RADIO_BUTTON, True, True), ("186ms(Precision)", R.ROLE_RADIO_BUTTON, True, False),
    ("Play Volume", R.ROLE_GROUPING, True, None),
    ("Wave volume", R.ROLE_SLIDER, True, None), ("MIDI volume", R.ROLE_SLIDER, True, None),
    ("Pitch Shift", R.ROLE_GROUPING, False, None), ("Shift down", R.ROLE_PUSH_BUTTON, False, None),
    ("Shift up", R.ROLE_PUSH_BUTTON, False, None), ("Shift 0", R.ROLE_LABEL, False, None),
    ("Vocal canceller", R.ROLE_TOGGLE_BUTTON, False, False),
    ("Slow Rate = 100%", R.ROLE_GROUPING, False, None), ("Slow rate", R.ROLE_SLIDER, False, None),
    ("Speed 100%", R.ROLE_PUSH_BUTTON, False, None), ("Speed 1%", R.ROLE_PUSH_BUTTON, False, None),
]
# As above; enabled None: not checked (the MIDI controls follow the synthesizer's presence).
NOTE_BOX = [
    ("Sharps", R.ROLE_RADIO_BUTTON, True, True), ("Flats", R.ROLE_RADIO_BUTTON, True, False),
    ("Fewer notes", R.ROLE_PUSH_BUTTON, True, None), ("More notes", R.ROLE_PUSH_BUTTON, True, None),
    ("5 notes", R.ROLE_LABEL, True, None),
    ("Play notes by MIDI", R.ROLE_TOGGLE_BUTTON, None, False), ("Base Note", R.ROLE_CHECK_BOX, None, None),
]
# slider name: minimum, maximum, value
SLIDERS = {"Position": (0, 540, 0), "Slow rate": (1, 100, 100)}
# readout description: text
READOUTS = {"Time": "00:00.00", "Mark": "00:00.00"}


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def window_named(title):
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "earloop":
                for window in app:
                    if window is not None and window.name == title and window.getRole() == R.ROLE_FRAME:
                        return window
        time.sleep(0.1)
    fail("no window %r in the accessibility tree" % title)


def objects(window):
    """(name, role, description, object) of everything below the window, fresh from the program."""
    found = []

    def walk(node):
        for child in node:
            if child is not None:
                child.clearCache()
                found.append((child.name, child.getRole(), child.description, child))
                walk(child)

    walk(window)
    return found


def find(tree, name, role):
    matches = [o for n, r, _, o in tree if n == name and r == role]
    if len(matches) != 1:
        fail("%d objects named %r with role %s" % (len(matches), name, role))
    return matches[0]


def readout(tree, description):
    matches = [n for n, r, d, _ in tree if d == description and r == R.ROLE_LABEL]
    if len(matches) != 1:
        fail("%d readouts %r" % (len(matches), description))
    return matches[0]


def check_controls(tree, table):
    for name, role, enabled, checked in table:
        control = find(tree, name, role)
        states = control.getState()
        if enabled is not None and states.contains(R.STATE_ENABLED) != enabled:
            fail("%r: enabled should be %s" % (name, enabled))
        if checked is not None and (not states.contains(R.STATE_CHECKABLE) or states.contains(R.STATE_CHECKED) != checked):
            fail("%r: checked should be %s" % (name, checked))


def check_startup():
    tree = objects(window_named("Earloop !"))
    check_controls(tree, STARTUP)
    for name, (minimum, maximum, value) in SLIDERS.items():
        reading = find(tree, name, R.ROLE_SLIDER).queryValue()
        if (reading.minimumValue, reading.maximumValue, reading.currentValue) != (minimum, maximum, value):
            fail("%r reads %s..%s at %s" % (name, reading.minimumValue, reading.maximumValue, reading.currentValue))
    for description, text in READOUTS.items():
        if readout(tree, description) != text:
            fail("the %s readout says %r" % (description, readout(tree, description)))


def check_play():
    window = window_named("Earloop !")
    play = find(objects(window), "Play", R.ROLE_TOGGLE_BUTTON)
    if not play.getState().contains(R.STATE_ENABLED):
        fail("Play is not enabled with a wave open")
    action = play.queryAction()
    if action.nActions != 1 or action.getName(0) != "click":
        fail("Play has no click action")
    action.doAction(0)
    for _ in range(100):
        time.sleep(0.1)
        tree = objects(window)
        states = find(tree, "Play", R.ROLE_TOGGLE_BUTTON).getState()
        if states.contains(R.STATE_CHECKED) and readout(tree, "Time") != "00:00.00":
            break
    else:
        fail("Play pressed through AT-SPI: checked %s, time %r" % (states.contains(R.STATE_CHECKED), readout(tree, "Time")))
    pause = find(tree, "Pause", R.ROLE_TOGGLE_BUTTON).getState()
    if states.contains(R.STATE_ENABLED) or not pause.contains(R.STATE_ENABLED):
        fail("while playing, Play should be disabled and Pause enabled")


def check_note_box():
    box = window_named("Note box")
    check_controls(objects(box), NOTE_BOX)
    find(objects(box), "More notes", R.ROLE_PUSH_BUTTON).queryAction().doAction(0)
    for _ in range(100):
        time.sleep(0.1)
        if [n for n, r, _, _ in objects(box) if n == "6 notes" and r == R.ROLE_LABEL]:
            break
    else:
        fail("More notes pressed through AT-SPI: no \"6 notes\"")


{"startup": check_startup, "play": check_play, "notebox": check_note_box}[sys.argv[1]]()
print("ok: " + sys.argv[1])
