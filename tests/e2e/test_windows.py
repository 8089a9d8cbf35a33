# SPDX-License-Identifier: MIT
"""Every window opened from the menus, every settings button of both chips, the General SST IO
panel with a refused transaction, and the graphs' automatic range: what a screen reader reads."""

import re

import pytest

from desktop import (checked, children, find, find_all, find_child, interfaces, name, press,
                     press_opening_modal, role, set_text, showing, text, value_label, wait_for,
                     wait_text)

SCENARIO = "fixed-readings.json"

# Per chip: the identifier block as shown, and both temperatures, from the scenario's fixed
# readings.
CHIPS = {
    "A": {"Device ID": "0x84", "Client Address": "0x48",
          "temperatures": ("25°C", "31°C")},
    "B": {"Device ID": "0x85", "Client Address": "0x4C",
          "temperatures": ("22.5°C", "40.25°C")},
}


def test_every_window_opens_from_the_menus(start):
    program = start(SCENARIO)
    bar = find_child(program.main_window(), "menu bar")
    assert [name(n) for n in children(bar)] == ["File", "ZR410A", "ZR410B", "Window", "About..."]
    file_menu = find_child(find_child(bar, "menu item", "File"), "popup menu")
    assert [name(n) for n in children(file_menu) if role(n) == "menu item"] == [
        "Open Log…", "Compare Logs…", "Exit"]
    windows = [
        ("ZR410A", "Temperature Graph", "Temperature Graph"),
        ("ZR410A", "Settings", "ZR410A Settings"),
        ("ZR410A", "Save Data", "Save Data"),
        ("ZR410B", "Temperature Graph", "Temperature Graph"),
        ("ZR410B", "Voltage Graph", "ZR410B Voltage Graph"),
        ("ZR410B", "Settings", "ZR410B Settings"),
        ("ZR410B", "Save Data", "Save Data"),
    ]
    for menu, item, title in windows:
        program.menu_command(menu, item)
        program.mdi_child(title)
    program.menu_command("About...", "About...")
    about = program.mdi_child("About the  ZR410A/B Software")
    links = [n for n in find_all(about, "link")]
    assert sorted(name(n) for n in links) == ["here", "www.example.com"]
    assert all("Action" in interfaces(n) for n in links)
    assert len(program.mdi_children("Temperature Graph")) == 2
    assert len(program.mdi_children("Save Data")) == 2
    # Every control a user can operate has a name a screen reader can speak.
    operable = ("push button", "check box", "radio button", "text", "menu item", "link", "chart")
    unnamed = [role(n) for n in find_all(program.main_window())
               if role(n) in operable and showing(n) and not name(n)]
    assert unnamed == []


@pytest.mark.parametrize("chip", ["A", "B"])
def test_settings_buttons_show_the_chips_readings(start, chip):
    program = start(SCENARIO)
    program.menu_command(f"ZR410{chip}", "Settings")
    window = program.mdi_child(f"ZR410{chip} Settings")
    expected = CHIPS[chip]

    press(find(window, "push button", "Get DIB"))
    wait_text(value_label(window, "Client Address"), expected["Client Address"])
    assert text(value_label(window, "Device ID")) == expected["Device ID"]
    assert text(value_label(window, "Vendor ID")) == "0x11D4"

    press(find(window, "push button", "Get All Temps"))
    internal, external = expected["temperatures"]
    wait_text(value_label(window, "Internal temperature"), internal)
    assert text(value_label(window, "External temperature")) == external

    offset_box = find(window, "text", "Ext Offset to set")
    assert text(offset_box) == "0"
    set_text(offset_box, "-12.5")  # halves go to the even neighbour
    # A press clicks a moment later (and a press repeated within that moment restarts it), so
    # each button is pressed once: Set, then Get, clicked in that order.
    press(find(window, "push button", "Set Ext Offset"))
    press(find(window, "push button", "Get Ext Offset"))
    wait_text(value_label(window, "External offset"), "-12")

    press(find(window, "push button", "Generate Ping"))
    fcs = find(window, "text", "FCS")
    wait_for("the ping's first reply byte", lambda: re.fullmatch(r"0x[0-9A-F]{1,2}", text(fcs)))


def test_general_sst_io_sends_and_refuses(start):
    program = start(SCENARIO)
    program.menu_command("ZR410A", "Settings")
    window = program.mdi_child("ZR410A Settings")
    received = value_label(window, "Data Recieved")
    send = find(window, "push button", "Send")

    # Nothing typed: the box says so and nothing is sent.
    press_opening_modal(send)
    box = program.alert()
    assert find_all(box, "label", "No command byte set")
    program.answer(box, "OK")
    assert text(received) == ""

    # The identifier block read by hand: 18 bytes, in hexadecimal, each followed by a space.
    set_text(find(window, "text", "Data To Send"), "F7")
    set_text(find(window, "text", "Write Length"), "1")
    set_text(find(window, "text", "Read Length"), "16")
    press(send)
    shown = wait_for("the reply", lambda: text(received))
    reply = shown.split(" ")
    assert len(reply) == 19 and reply[-1] == "" and shown.endswith(" ")
    assert reply[3:5] == ["D4", "11"] and reply[16] == "48"  # vendor id and client address

    # A byte that does not fit is refused with a box naming it; the received bytes stay.
    set_text(find(window, "text", "Data To Send"), "1FF")
    press_opening_modal(send)
    box = program.alert()
    assert any("1FF" in name(n) for n in find_all(box, "label"))
    program.answer(box, "OK")
    assert text(received) == shown

    press(find(window, "radio button", "Decimal"))
    wait_for("Decimal to be chosen", lambda: checked(find(window, "radio button", "Decimal")))
    set_text(find(window, "text", "Data To Send"), "F7")
    press(send)
    wait_for("the decimal reply", lambda: text(received).startswith(shown + " ")
             and " 212 " in text(received)[len(shown):])

    press(find(window, "push button", "Clear"))
    wait_text(received, "")
    assert text(find(window, "text", "Data To Send")) == ""
    assert text(find(window, "text", "Read Length")) == "16"


def test_graph_legends_and_automatic_range(start):
    program = start(SCENARIO)
    program.menu_command("ZR410A", "Temperature Graph")
    window = program.mdi_child("Temperature Graph")
    chart = find(window, "chart", "ZR410A")
    wait_for("the first update", lambda: find_all(chart, "label", "Internal: 25.00°C"))
    assert find_all(chart, "label", "External: 31.00°C")
    assert find_all(chart, "label", "Temperature (°C)")
    wait_for("the range around the readings",
             lambda: find_all(chart, "label", "Vertical range: 15 to 41"))

    auto = find(window, "check box", "Automatically Adjust Graph Range")
    assert checked(auto)
    press(auto)
    wait_for("the box to be unticked", lambda: not checked(auto))
    press(auto)
    wait_for("the box to be ticked again", lambda: checked(auto))

    program.menu_command("ZR410B", "Voltage Graph")
    volts = find(program.mdi_child("ZR410B Voltage Graph"), "chart", "ZR410B")
    wait_for("the rails", lambda: find_all(volts, "label", "Vcc: 3.30V"))
    for legend in ("12V: 12.00V", "5V: 5.00V", "2.5V: 2.50V", "Vccp: 1.20V", "Voltage (V)"):
        assert find_all(volts, "label", legend), legend
