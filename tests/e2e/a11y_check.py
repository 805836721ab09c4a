#!/usr/bin/env python3
"""Reads the running program through the accessibility bus (AT-SPI), as a screen reader
or a desktop automation script does, and drives it there.

    a11y_check.py PID WORK

WORK holds data/docs (the folder the program shows), bin/opened.log (what the fake
xdg-open was asked to open) and marker (what the launcher slot's script received).
Exit status 0 when every check passed.
"""
import os
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The bindings call the interface getters of this libatspi deprecated; they still work.
warnings.filterwarnings("ignore", category=DeprecationWarning)

pid = int(sys.argv[1])
work = sys.argv[2]
docs = os.path.join(work, "data", "docs")
LIST_NAME = "現在のディレクトリ"

# name as the list shows it -> size and time texts (TZ=UTC, C locale separators)
EXPECTED = {
    "report.txt": "6 Bytes , 24/03/05-13:07",
    "テスト.txt": "3 Bytes , 23/12/31-23:59",
    "line\nbreak.txt": "12,345 Bytes , 99/01/02-03:04",
    "big.dat": "1,048,576 Bytes , 24/03/05-13:07",
    "pic.bmp": "{:,} Bytes , 24/03/05-13:07".format(os.path.getsize(os.path.join(docs, "pic.bmp"))),
}
SELECT_IMAGE_HINT = "左クリックで個別表示画面に切替え"


def fail(message):
    print("a11y: FAIL: " + message)
    sys.exit(1)


def pump(seconds):
    """Lets the bus's events arrive for a while."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait_for(what, probe, timeout=20):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            value = probe()
        except GLib.Error:
            value = None
        if value:
            return value
        pump(0.2)
    fail("timed out waiting for " + what)


def children(node):
    node.clear_cache()
    return [node.get_child_at_index(i) for i in range(node.get_child_count())]


def find(node, test, skip_lists=True):
    """Breadth-first search below node (file lists are not entered)."""
    queue = [node]
    while queue:
        n = queue.pop(0)
        if n is None:
            continue
        if test(n):
            return n
        if skip_lists and n.get_role() == Atspi.Role.LIST:
            continue
        queue.extend(children(n))
    return None


def application():
    desktop = Atspi.get_desktop(0)
    for app in children(desktop):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def focused(node):
    node.clear_cache()
    return node.get_state_set().contains(Atspi.StateType.FOCUSED)


def action_names(node):
    try:
        return [Atspi.Action.get_action_name(node, i) for i in range(Atspi.Action.get_n_actions(node))]
    except GLib.Error:  # no actions at all
        return []


def action_index(node, name):
    names = action_names(node)
    return names.index(name) if name in names else -1


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=False)


def file_text(path):
    try:
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            return f.read()
    except OSError:
        return ""


Atspi.init()
app = wait_for("the program on the bus", application)

# The list of the current folder, with its items.
def the_list():
    node = find(app, lambda n: n.get_role() == Atspi.Role.LIST and n.get_name() == LIST_NAME)
    return node if node is not None and node.get_child_count() == len(EXPECTED) else None


file_list = wait_for("the file list with its %d files" % len(EXPECTED), the_list)
if file_list.get_description() != docs:
    fail("the list is described as %r" % file_list.get_description())
items = children(file_list)
read = {}
for item in items:
    if item.get_role() != Atspi.Role.LIST_ITEM:
        fail("an item has the role %s" % item.get_role_name())
    read[item.get_name()] = item.get_description()
if read != EXPECTED:
    fail("the items read %r" % read)
print("a11y: %d items read with their names, sizes and times" % len(read))
if items[0].get_parent() is None or items[0].get_index_in_parent() != 0:
    fail("an item does not know its place")

# Moving with the keyboard: the focused item follows, and the bus tells of it.
events = []


def on_focus(event):
    if event.detail1 == 1 and event.source is not None:
        events.append(event.source.get_name())


listener = Atspi.EventListener.new(on_focus)
listener.register("object:state-changed:focused")
pump(0.5)
box = Atspi.Component.get_extents(items[0], Atspi.CoordType.SCREEN)
xdotool("mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1")
wait_for("the first item focused", lambda: focused(children(file_list)[0]))
if not children(file_list)[0].get_state_set().contains(Atspi.StateType.SELECTED):
    fail("the clicked item is not selected")
events.clear()
xdotool("key", "Down")
second = items[1].get_name()
wait_for("the second item focused", lambda: focused(children(file_list)[1]))
wait_for("a focus event for %r" % second, lambda: second in events)
if focused(children(file_list)[0]):
    fail("the first item still reports the focus")
print("a11y: Down moved the focus to %r, and the bus reported it" % second)

# The activate action opens a text file as a double click does.
report = next(i for i in children(file_list) if i.get_name() == "report.txt")
index = action_index(report, "activate")
if index < 0 or action_index(report, "select") < 0:
    fail("the item's actions are %r" % action_names(report))
Atspi.Action.do_action(report, index)
opened = os.path.join(work, "bin", "opened.log")
wait_for("xdg-open to be asked for report.txt",
         lambda: os.path.join(docs, "report.txt") in file_text(opened).splitlines())
wait_for("report.txt selected", lambda: report.clear_cache() or report.get_state_set().contains(Atspi.StateType.SELECTED))
print("a11y: activate opened %s" % file_text(opened).strip())

# The registered slot: named by its entry, described by path and parameters, pressed.
script = os.path.join(work, "slot.sh")


def slot():
    return find(app, lambda n: n.get_role() == Atspi.Role.PUSH_BUTTON and n.get_name() == "slot.sh")


button = wait_for("the slot named slot.sh", slot)
want = '%s "%s"' % (script, os.path.join(docs, "report.txt"))
if button.get_description() != want:
    fail("the slot is described as %r, not %r" % (button.get_description(), want))
if find(app, lambda n: n.get_role() == Atspi.Role.PUSH_BUTTON and n.get_name() == "未登録 2") is None:
    fail("the empty slot 2 is not named")
press = action_index(button, "Press")
if press < 0:
    fail("the slot has no press action")
Atspi.Action.do_action(button, press)
marker = os.path.join(work, "marker")
wait_for("the slot's script", lambda: file_text(marker).strip())
if file_text(marker).strip() != os.path.join(docs, "report.txt"):
    fail("the script received %r" % file_text(marker))
print("a11y: the slot started its script with %s" % file_text(marker).strip())

# Qt's own dialogs read Japanese in this C.UTF-8 session, as the rest of the program does:
# the editor's Save as, opened by F2 and Ctrl+S.
def window_of(name):
    """The program's visible window whose caption is name, or begins with it ("...")."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                         capture_output=True, text=True, check=False).stdout.split()
    for wid in ids:
        caption = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True,
                                 text=True, check=False).stdout.rstrip("\n")
        if caption == name or (name.endswith("...") and caption.startswith(name[:-3])):
            return wid
    return None


SAVE_AS = "名前を付けて保存"
main_window = window_of("Zelmo32")
xdotool("key", "F2")
editor_window = wait_for("the editor", lambda: window_of("ゼル君..."))
xdotool("windowfocus", "--sync", editor_window)
xdotool("key", "ctrl+s")
# The dialog's window is named by Qt's own text ("Save As" untranslated).
save_window = wait_for("the Save as dialog named %s" % SAVE_AS,
                       lambda: window_of(SAVE_AS))
if window_of("Save As"):
    fail("a Save as dialog reads English")
print("a11y: the editor's Save as dialog reads %s" % SAVE_AS)
xdotool("windowfocus", "--sync", save_window)
xdotool("key", "Escape")
wait_for("the Save as dialog to close", lambda: window_of(SAVE_AS) is None)
xdotool("windowfocus", "--sync", editor_window)
xdotool("key", "F4")  # the cancelled Save as cleared the flag: no question
wait_for("the editor to close", lambda: window_of("ゼル君...") is None)
xdotool("windowfocus", "--sync", main_window)

# A picture: the selection image is named by its hint; a click on it opens the preview,
# whose picture is named by the window's caption.
pic = next(i for i in children(file_list) if i.get_name() == "pic.bmp")
Atspi.Action.do_action(pic, action_index(pic, "select"))
selection_image = wait_for(
    "the selection image named by its hint",
    lambda: find(app, lambda n: n.get_role() == Atspi.Role.IMAGE and n.get_name() == SELECT_IMAGE_HINT))
box = Atspi.Component.get_extents(selection_image, Atspi.CoordType.SCREEN)
xdotool("mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1")
caption = "%d/%d pic.bmp" % (items.index(next(i for i in items if i.get_name() == "pic.bmp")) + 1,
                             len(EXPECTED))
wait_for("the preview's picture named %r" % caption,
         lambda: find(app, lambda n: n.get_role() == Atspi.Role.IMAGE and n.get_name() == caption))
print("a11y: the preview's picture reads %r" % caption)
listener.deregister("object:state-changed:focused")
print("a11y: PASS")
