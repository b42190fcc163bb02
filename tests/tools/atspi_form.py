#!/usr/bin/python3
"""Reads the main window of a running KQ505 off the accessibility bus, as a screen reader
would: every object of the editor form with its role, name, text or value and description;
then takes the knob panel's first handle, presses Right and reads it again.
Run by scripts/atspi_form.sh, which starts the bus, a virtual X screen and the program."""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib


def find_app(name, tries=100):
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(tries):
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.1)
    sys.exit(f"{name} is not on the accessibility bus")


def shown(obj):
    """Its text, its value, or nothing."""
    try:
        text = obj.queryText()
        return repr(text.getText(0, -1))
    except NotImplementedError:
        pass
    try:
        return f"value {obj.queryValue().currentValue:g}"
    except NotImplementedError:
        return ""


def walk(obj, depth, out):
    for child in obj:
        if child is None:
            continue
        line = f"{'  ' * depth}[{child.getRoleName()}] {child.name!r} {shown(child)}"
        if child.description:
            line += f" description {child.description!r}"
        out.append((child, line))
        walk(child, depth + 1, out)


def find(objects, name):
    return next(obj for obj, _ in objects if obj.name.startswith(name))


def main():
    app = find_app("kq505")
    objects = []
    walk(app, 0, objects)
    for _, line in objects:
        print(line)
    fields = [o for o, _ in objects if o.getRoleName() in ("text", "entry")]
    print(f"-- {len(fields)} text objects, {sum(1 for o in fields if not o.name)} without a name")

    panel = find(objects, "Knob Panel")
    handle = panel.getChildAtIndex(panel.childCount - 13)  # the B layer's send handle
    reverb_field = find(objects, "B Rev")
    pan_field = find(objects, "B Pan")
    print("before:", handle.name, "| B Pan field", shown(pan_field))
    window = subprocess.run(["xdotool", "search", "--name", "^KQ505 - "], capture_output=True,
                            text=True).stdout.split()
    if window:
        subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=False)
    focused = panel.queryComponent().grabFocus()
    time.sleep(0.5)
    print("panel focused:", focused, panel.getState().contains(pyatspi.STATE_FOCUSED))
    # ] walks to the next handle, Right moves the send handle's pan one step.
    heard = []

    def hear(event):
        source = event.source
        heard.append(f"{event.type} {source.name!r} {shown(source)}")

    events = ("object:property-change:accessible-name", "object:text-changed",
              "object:state-changed:focused")
    pyatspi.Registry.registerEventListener(hear, *events)
    # ] walks to the next handle, Right moves the B send handle's pan one step, Page Up its
    # reverb eight; the keys go while the bus's events are being heard.
    keys = subprocess.Popen(["sh", "-c", "sleep 0.5; xdotool key --delay 50 " +
                             "bracketright " * 13 + "Right Prior"])
    GLib.timeout_add(3000, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    keys.wait()
    pyatspi.Registry.deregisterEventListener(hear, *events)
    wanted = ("B Effector", "B Pan", "B Rev")
    for line in heard:
        if any(name in line for name in wanted):
            print("heard:", line)
    print("after ] x13, Right, Page Up:", handle.name, "| B Pan field", shown(pan_field),
          "| B Rev field", shown(reverb_field))


if __name__ == "__main__":
    main()
