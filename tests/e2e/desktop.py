# SPDX-License-Identifier: MIT
"""Drives the real program as a user would, through the accessibility bus (AT-SPI).

Widgets are found by role and name, as a screen reader finds them. Two traps of Qt 6.4's bridge
shape this module: a press that opens a modal box does not answer its D-Bus call until the box
closes (press_opening_modal answers later), and Properties.GetAll crashes the program, so only
single properties are ever asked for.
"""

import ctypes
import os
import signal
import subprocess
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

WAIT_S = 10.0
STARTUP_S = 30.0
POLL_S = 0.05


def accessibility_bus_ready():
    """Waits until the registry of the accessibility bus answers, so that the first program
    started finds it and registers."""
    wait_for("the accessibility registry", lambda: Atspi.get_desktop(0).get_child_count() >= 0,
             STARTUP_S)


def wait_for(what, probe, timeout=WAIT_S):
    """Polls probe() until it returns something true; fails naming what was awaited."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            found = probe()
        except GLib.Error:
            found = None
        if found:
            return found
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(POLL_S)


def role(node):
    return node.get_role_name()


def name(node):
    return node.get_name() or ""


def children(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield child


def descendants(node, max_depth=40):
    stack = [(node, 0)]
    while stack:
        current, depth = stack.pop()
        yield current
        if depth < max_depth:
            stack.extend((c, depth + 1) for c in reversed(list(children(current))))


def find_all(root, role_name=None, node_name=None):
    return [
        n
        for n in descendants(root)
        if (role_name is None or role(n) == role_name)
        and (node_name is None or name(n) == node_name)
    ]


def find(root, role_name, node_name=None, timeout=WAIT_S):
    what = f"{role_name} '{node_name}'" if node_name is not None else role_name
    return wait_for(what, lambda: next(iter(find_all(root, role_name, node_name)), None), timeout)


def find_child(node, role_name, node_name=None, timeout=WAIT_S):
    """A direct child: cheaper than a search when the place is known."""
    what = f"{role_name} '{node_name}'" if node_name is not None else role_name
    return wait_for(what, lambda: next(
        (c for c in children(node)
         if role(c) == role_name and (node_name is None or name(c) == node_name)), None),
        timeout)


def has_state(node, state):
    return node.get_state_set().contains(state)


def showing(node):
    return has_state(node, Atspi.StateType.SHOWING)


def interfaces(node):
    return node.get_interfaces()


def text(node):
    """The shown text of a label, text box or value label."""
    if "Text" not in interfaces(node):
        return name(node)
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def value_label(root, caption):
    """A label that shows a value: named by its caption, offering the value as its text."""
    return wait_for(f"value label '{caption}'", lambda: next(
        (n for n in find_all(root, "label", caption) if "Text" in interfaces(n)), None))


def wait_text(node, expected, timeout=WAIT_S):
    """Waits until the node shows that text (a press is answered before its click lands)."""
    wait_for(f"'{name(node)}' to show {expected!r}", lambda: text(node) == expected, timeout)
    return expected


def set_text(node, value):
    assert Atspi.EditableText.set_text_contents(node, value), f"cannot type into {name(node)}"


def press(node):
    assert "Action" in interfaces(node), f"{role(node)} '{name(node)}' has no action"
    Atspi.Action.do_action(node, 0)


def press_opening_modal(node):
    """Presses a control whose handler shows a modal box: the call is answered only once the box
    closes, so it is given up after a moment; the box is then answered by the caller."""
    Atspi.set_timeout(700, -1)
    try:
        Atspi.Action.do_action(node, 0)
    except GLib.Error:
        pass
    finally:
        Atspi.set_timeout(-1, -1)


def checked(node):
    return has_state(node, Atspi.StateType.CHECKED)


class _XClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessage), ("pad", ctypes.c_long * 24)]


def close_x_window(title):
    """Asks the top-level window of that title to close, as a window manager's close button
    does (WM_DELETE_WINDOW); works without a window manager."""
    xid = wait_for(
        f"X window '{title}'",
        lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
            capture_output=True, text=True).stdout.split(),
    )[0]
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    assert display, "cannot open the X display"
    try:
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = int(xid)
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent(display, int(xid), 0, 0, ctypes.byref(event))
        x11.XFlush(display)
    finally:
        x11.XCloseDisplay(display)


class Program:
    """One run of build/zr410ab on the simulated board; ended by the test that started it."""

    def __init__(self, build_dir, scenario, workdir):
        self.stderr_path = os.path.join(workdir, "zr410ab.stderr")
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   LC_ALL="C.UTF-8")
        with open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(
                [os.path.join(build_dir, "zr410ab"), "--board", "sim", "--scenario", scenario],
                cwd=workdir, env=env, stdout=subprocess.DEVNULL, stderr=err,
                start_new_session=True)
        try:
            self.app = wait_for("the program on the accessibility bus", self._find_app, STARTUP_S)
        except AssertionError as missing:
            self.end()
            raise AssertionError(f"{missing}; exit status {self.process.returncode}, "
                                 f"standard error:\n{self.stderr()}") from None

    def _find_app(self):
        if self.process.poll() is not None:
            raise AssertionError(f"the program ended with status {self.process.returncode}:\n"
                                 f"{self.stderr()}")
        desktop = Atspi.get_desktop(0)
        for app in children(desktop):
            try:
                if app.get_process_id() == self.process.pid:
                    return app
            except GLib.Error:
                continue
        return None

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def main_window(self):
        return find_child(self.app, "frame", "ZR410A/B")

    def menu_command(self, menu, item):
        """Chooses item in the menu-bar menu of that caption."""
        entry = find_child(find_child(self.main_window(), "menu bar"), "menu item", menu)
        if name(entry) == item:  # a command on the bar itself
            press(entry)
            return
        popup = find_child(entry, "popup menu")
        press(find_child(popup, "menu item", item))

    def mdi_children(self, title):
        area = find_child(self.main_window(), "layered pane")
        return [c for c in children(area) if role(c) == "frame" and name(c) == title]

    def mdi_child(self, title):
        """A child window inside the main window, by its title."""
        return wait_for(f"window '{title}'", lambda: next(iter(self.mdi_children(title)), None))

    def alert(self, caption="ZR410A_B", timeout=WAIT_S):
        return find(self.app, "alert", caption, timeout)

    def answer(self, alert, button):
        press(find(alert, "push button", button))
        wait_for("the box to close", lambda: not find_all(self.app, "alert"))

    def wait_exit(self, timeout=WAIT_S):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end") from None

    def end(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
