#!/usr/bin/env python3
"""Prints the accessible tree of the application named on the command line,
as a screen reader finds it on the accessibility bus: one line per object,
indented by depth, "role|name|focused" and, for labels, "|font:" and their
size, weight and style; for text boxes, "|text:" and the text with its line
ends escaped. Prints nothing when the
application is not (yet) on the bus."""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth, out):
    try:
        role = node.get_role_name()
        name = node.get_name() or ""
        focused = node.get_state_set().contains(Atspi.StateType.FOCUSED)
        line = f"{'  ' * depth}{role}|{name}|{'focused' if focused else ''}"
        if role == "label" and "Text" in node.get_interfaces():
            font = Atspi.Text.get_default_attributes(node)
            line += "|font:" + " ".join(font.get(k, "?") for k in ("size", "weight", "style"))
        if role == "text" and "Text" in node.get_interfaces():
            content = Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
            line += "|text:" + content.replace("\r", "\\r").replace("\n", "\\n")
        out.append(line)
        for i in range(node.get_child_count()):
            child = node.get_child_at_index(i)
            if child is not None:
                walk(child, depth + 1, out)
    except gi.repository.GLib.Error:
        pass


def main():
    desktop = Atspi.get_desktop(0)
    out = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == sys.argv[1]:
            walk(app, 0, out)
    print("\n".join(out))


main()
