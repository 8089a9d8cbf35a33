# SPDX-License-Identifier: MIT
"""The board at the edges: a board that refuses its firmware at start-up, and one lost while the
program runs, then reconnected."""

from desktop import (children, find, find_all, find_child, name, press, role, showing,
                     wait_for)


def test_startup_failure_shows_one_alert_and_ends(start):
    program = start("firmware-fails.json")
    alert = program.alert()
    assert any(name(n).startswith("ZR410A/B could not be found. Please check USB connection.")
               for n in find_all(alert, "label"))
    top = [(role(c), name(c)) for c in children(program.app)]
    assert top == [("alert", "ZR410A_B")], "no main window behind the box, and only one box"
    press(find(alert, "push button", "OK"))
    assert program.wait_exit() == 1


def test_lost_board_is_shown_and_reconnected(start):
    program = start("lost-after-start.json")
    program.menu_command("ZR410A", "Temperature Graph")
    main = program.main_window()
    status = find_child(main, "status bar")
    wait_for("the status bar's board field to tell of the loss",
             lambda: any(": lost at " in name(n) for n in find_all(status, "label")))
    reconnect = find(status, "push button", "Reconnect")
    assert showing(reconnect)
    assert program.mdi_children("Temperature Graph - board lost")

    press(reconnect)
    wait_for("the board to come back", lambda: name(status) == "Board reconnected: ZR410A at 72, ZR410B at 76")
    wait_for("Reconnect to go away", lambda: not showing(reconnect))
    assert program.mdi_children("Temperature Graph")
