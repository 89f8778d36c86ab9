"""Reads Quellfarn's windows over AT-SPI as a screen reader does and reports what it could not
say: a control that takes the focus without a name or with no role, a slider whose description
does not begin with the value text its window shows. Run by scripts/accessibility."""

import os
import sys
import time

import pyatspi

FAULTS = []
VAGUE_ROLES = {pyatspi.ROLE_UNKNOWN, pyatspi.ROLE_INVALID, pyatspi.ROLE_FILLER}
ROWS = {pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TREE_ITEM}


ENDED = 3  # the exit code when the program ended before it was read


def program_ended():
    """The program named by QUELLFARN_PID has ended (or is a zombie its shell has not reaped)."""
    pid = os.environ.get("QUELLFARN_PID")
    if not pid:
        return False
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except OSError:
        return True


def wait_for(find, what, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        found = find()
        if found is not None:
            return found
        if program_ended():
            print(f"accessibility: the program ended while waiting for {what}", file=sys.stderr)
            sys.exit(ENDED)
        time.sleep(0.2)
    sys.exit(f"accessibility: {what} did not appear on the accessibility bus")


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name and "quellfarn" in app.name.lower():
            return app
    return None


def walk(accessible, depth=0):
    if accessible is None or depth > 40:
        return
    yield accessible
    try:
        children = list(accessible)
    except Exception:  # an object that went while it was read
        return
    for child in children:
        yield from walk(child, depth + 1)


def window(app, title):
    for frame in app:
        if frame is not None and frame.name and title in frame.name:
            return frame
    return None


def find(root, name, role=None):
    for accessible in walk(root):
        if accessible.name == name and (role is None or accessible.getRole() == role):
            return accessible
    return None


def inspect(frame, label):
    """Every control that takes the focus and is shown: a role, a name; sliders: a value text."""
    told = 0
    for accessible in walk(frame):
        states = accessible.getState()
        if not (states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING)):
            continue
        told += 1
        role = accessible.getRole()
        where = f"{label}: {accessible.getRoleName()} '{accessible.name}'"
        if role in VAGUE_ROLES:
            FAULTS.append(f"{where} has no role a listener understands")
        # A cell or an item may be empty: its table or list has the name.
        if role not in ROWS and (not accessible.name or not accessible.name.strip()):
            FAULTS.append(f"{label}: a {accessible.getRoleName()} without a name")
        if role == pyatspi.ROLE_SLIDER:
            said = (accessible.description or "").split(". ")[0]
            if not said or said[0] not in "-+0123456789" and not said[0].isalpha():
                FAULTS.append(f"{where} does not tell its value text: '{accessible.description}'")
    return told


def press(root, name):
    item = wait_for(lambda: find(root, name), f"'{name}'")
    action = item.queryAction()
    for index in range(action.nActions):
        if action.getName(index).lower() in ("press", "click", "activate", "toggle"):
            action.doAction(index)
            return
    action.doAction(0)


def main():
    # The sanitizer build starts slowly, the more so while other builds share the machine.
    app = wait_for(application, "Quellfarn", seconds=90)
    main_window = wait_for(lambda: window(app, "Quellfarn"), "the main window")
    time.sleep(3)  # the splash goes by itself
    counts = {"main window": inspect(main_window, "main window")}

    press(main_window, "New preset")
    editor = wait_for(lambda: window(app, "Preset Editor"), "the preset editor")
    time.sleep(1)
    counts["preset editor"] = inspect(editor, "preset editor")
    # A new preset's mix stands at its defaults: the listener hears "100%", not a position.
    dry = find(editor, "Mix dry", pyatspi.ROLE_SLIDER)
    if dry is None:
        FAULTS.append("preset editor: no slider 'Mix dry'")
    elif not (dry.description or "").startswith("100%"):
        FAULTS.append(f"preset editor: 'Mix dry' tells '{dry.description}', not its 100%")

    press(main_window, "Library...")
    library = wait_for(lambda: window(app, "Library"), "the library")
    time.sleep(1)
    counts["library"] = inspect(library, "library")
    table = find(library, "Presets")
    if table is None or table.getRole() != pyatspi.ROLE_TABLE:
        FAULTS.append("library: no table 'Presets' a screen reader reads by row")

    print("accessibility: focusable controls read: " +
          ", ".join(f"{where} {count}" for where, count in counts.items()))
    for fault in FAULTS:
        print("accessibility: " + fault)
    if any(count == 0 for count in counts.values()):
        sys.exit("accessibility: a window showed no controls to the bus")
    sys.exit(1 if FAULTS else 0)


main()
