#!/usr/bin/env python3
"""Listens on the accessibility bus the way a screen reader does, for the benchmark:
every focus, state and property change is answered by reading the object it names
(name, description, states, its place and its parent's child count)."""
import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

heard = 0


def on_event(event):
    global heard
    source = event.source
    if source is None:
        return
    try:
        source.get_name()
        source.get_description()
        source.get_state_set()
        parent = source.get_parent()
        if parent is not None:
            source.get_index_in_parent()
            parent.get_child_count()
        source.get_child_count()
        heard += 1
    except Exception:  # an object gone meanwhile
        pass


Atspi.init()
listener = Atspi.EventListener.new(on_event)
for kind in ("focus:", "object:state-changed:", "object:property-change:",
             "object:children-changed:", "window:"):
    listener.register(kind)
Atspi.event_main()
