#!/usr/bin/env python3
"""Works the running zephral through AT-SPI alone, as a screen reader would.

Finds the program on the accessibility bus, writes the main window's tree to
OUT/main.txt, checks the role and name of every control, types a text into
"Text" through the editable-text interface, presses "Encode Text" through its
action and reads the Base64 back from "Result" through the text interface.
Then presses "Encrypt & Encode Text", writes the key dialog's tree to
OUT/key.txt, checks it, types the key into "Key", presses "OK" and reads the
encrypted text from "Result".

    python3 scripts/a11y_check.py OUT
"""
import base64
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# get_action_name is the only name getter Debian 12's AT-SPI has.
warnings.filterwarnings("ignore", category=DeprecationWarning)

MAIN_TITLE = "Quorvan Zephral 1.0 Build 46"

# (role, name) of every control of the main window, each once.
MAIN_CONTROLS = [
    ("push button", "Encrypt File"),
    ("push button", "Decrypt File"),
    ("push button", "Readme.txt"),
    ("push button", "Visit Website"),
    ("push button", "Encrypt & Encode Text"),
    ("push button", "Decrypt & Decode Text"),
    ("push button", "Encode Text"),
    ("push button", "Decode Text"),
    ("link", "Quorvan website"),
    ("separator", ""),
    ("text", "Text"),
    ("text", "Result"),
]
KEY_CONTROLS = [
    ("text", "Key"),
    ("push button", "OK"),
    ("push button", "Cancel"),
]
# Roles whose every instance must carry a name.
NAMED_ROLES = {"push button", "check box", "link", "text", "animation"}


def fail(message):
    print(f"a11y-check: {message}", file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, seconds=60.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    fail(f"timed out waiting for {what}")


def children(node):
    out = []
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            out.append(child)
    return out


def walk(node):
    yield node
    for child in children(node):
        yield from walk(child)


def states(node):
    names = []
    state_set = node.get_state_set()
    for s in state_set.get_states():
        names.append(Atspi.StateType(s).value_nick)
    return sorted(names)


def has(node, interface):
    return interface in node.get_interfaces()


def actions(node):
    if not has(node, "Action"):
        return []
    return [Atspi.Action.get_action_name(node, i) for i in range(Atspi.Action.get_n_actions(node))]


def dump(node, depth=0):
    line = "  " * depth + f"[{node.get_role_name()}] \"{node.get_name()}\""
    acts = actions(node)
    if acts:
        line += " actions=" + ",".join(acts)
    line += " states=" + ",".join(states(node))
    lines = [line]
    for child in children(node):
        lines.extend(dump(child, depth + 1))
    return lines


def application():
    desktop = Atspi.get_desktop(0)
    for app in children(desktop):
        for window in children(app):
            if window.get_name() == MAIN_TITLE:
                return app
    return None


def window_named(app, name):
    for window in children(app):
        if window.get_name() == name and "showing" in states(window):
            return window
    return None


def controls(node):
    """The window's nodes, without the inner parts of the text boxes."""
    yield node
    if node.get_role_name() != "text":
        for child in children(node):
            yield from controls(child)


def check_controls(window, expected, label):
    found = [(n.get_role_name(), n.get_name()) for n in controls(window)]
    for want in expected:
        if found.count(want) != 1:
            fail(f"{label}: expected one {want[0]} \"{want[1]}\", found {found.count(want)}")
    for role, name in found:
        if role in NAMED_ROLES and not name:
            fail(f"{label}: a {role} has no name")
    for node in controls(window):
        if node.get_role_name() == "filler" and not node.get_name() and not children(node):
            fail(f"{label}: an unnamed filler with nothing in it (a control Qt does not know)")


def find(window, role, name):
    for node in walk(window):
        if node.get_role_name() == role and node.get_name() == name:
            return node
    fail(f"no {role} \"{name}\"")


def press(node):
    names = actions(node)
    if "Press" not in names:
        fail(f"\"{node.get_name()}\" has no Press action (has {names})")
    Atspi.Action.do_action(node, names.index("Press"))


def type_into(node, text):
    if not has(node, "EditableText"):
        fail(f"\"{node.get_name()}\" is not editable")
    Atspi.EditableText.set_text_contents(node, text)


def text_of(node):
    if not has(node, "Text"):
        fail(f"\"{node.get_name()}\" has no text interface")
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def main():
    out = sys.argv[1]
    app = wait_for("zephral on the accessibility bus", application)
    main_window = wait_for("the main window", lambda: window_named(app, MAIN_TITLE))
    time.sleep(0.5)  # the first focus and layout settle
    with open(f"{out}/main.txt", "w") as f:
        f.write("\n".join(dump(main_window)) + "\n")
    if main_window.get_role_name() != "frame":
        fail(f"the main window is a {main_window.get_role_name()}, not a frame")
    check_controls(main_window, MAIN_CONTROLS, "main window")

    result = find(main_window, "text", "Result")
    if "editable" in states(result):
        fail("\"Result\" is editable")
    source = find(main_window, "text", "Text")
    type_into(source, "accessible text")
    if text_of(source) != "accessible text":
        fail(f"\"Text\" holds \"{text_of(source)}\" after typing")
    press(find(main_window, "push button", "Encode Text"))
    want = base64.b64encode(b"accessible text").decode()
    wait_for(f"\"{want}\" in \"Result\"", lambda: text_of(result) == want)
    print(f"a11y-check: Encode Text gave {want}")

    press(find(main_window, "push button", "Encrypt & Encode Text"))
    key_dialog = wait_for("the key dialog", lambda: window_named(app, "Enter Key"))
    time.sleep(0.3)
    with open(f"{out}/key.txt", "w") as f:
        f.write("\n".join(dump(key_dialog)) + "\n")
    check_controls(key_dialog, KEY_CONTROLS, "key dialog")
    key_box = find(key_dialog, "text", "Key")
    if "focused" not in states(key_box):
        fail("the key dialog opened without \"Key\" focused")
    type_into(key_box, "the key")
    press(find(key_dialog, "push button", "OK"))
    # Eight bytes of ciphertext per eight bytes of text and one more block.
    wait_for("the encrypted text in \"Result\"",
             lambda: text_of(result) != want and len(text_of(result)) == 24)
    print(f"a11y-check: Encrypt & Encode Text gave {text_of(result)}")
    print(f"a11y-check: the trees are in {out}/main.txt and {out}/key.txt")


if __name__ == "__main__":
    main()
