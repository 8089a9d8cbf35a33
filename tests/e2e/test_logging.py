# SPDX-License-Identifier: MIT
"""Logging on both chips through the save-data windows, the close question answered No then Yes,
closing the main window with a log running, and the log files compared byte for byte."""

import re

import pytest

from desktop import (children, close_x_window, find, find_all, find_child, name, press,
                     press_opening_modal, role, set_text, wait_for)

SCENARIO = "fixed-readings.json"

# The scenario's fixed readings, as the log writes them (CR LF after every line).
LOGS = {
    "A": ("ZR410A", "Internal,External,", " 25, 31,"),
    "B": ("ZR410B", "Internal,External,,12V,5V,Vcc,2.5V,Vccp,",
          " 22.5, 40.25,,  12,  5,  3.3,  2.5,  1.2"),
}


def assert_log(path, chip):
    """Three header lines, then nothing but whole records of the fixed readings."""
    chip_name, columns, record = LOGS[chip]
    with open(path, "rb") as f:
        content = f.read().decode("ascii")
    lines = content.split("\r\n")
    assert lines[-1] == "", "the last line ends with CR LF"
    assert lines[0] == chip_name
    assert re.fullmatch(r"Date:,[^,]+,Time:,[^,]+", lines[1]), lines[1]
    assert lines[2] == columns
    records = lines[3:-1]
    assert records and all(r == record for r in records), records
    return len(records)


def save_window(program, chip):
    """chip's save-data window: both carry the title "Save Data"; only B's has voltages."""
    def pick():
        for frame in program.mdi_children("Save Data"):
            if bool(find_all(frame, "panel", "Voltage Readings")) == (chip == "B"):
                return frame
        return None
    return wait_for(f"the save-data window of chip {chip}", pick)


def start_log(program, chip, path):
    program.menu_command(f"ZR410{chip}", "Save Data")
    window = save_window(program, chip)
    press_opening_modal(find(window, "push button", "Save To File"))
    dialog = find_child(program.app, "dialog", "Save Log")
    set_text(find(dialog, "text", "File name:"), str(path))
    press(find(dialog, "push button", "Save"))
    # The button reads "Stop Writing To File" from the moment the dialog opens; the log runs once
    # the dialog has gone and the file has its header.
    wait_for("the file dialog to close",
             lambda: not [c for c in children(program.app) if role(c) == "dialog"])
    wait_for("the log's header", lambda: path.exists() and path.read_bytes().count(b"\r\n") >= 3)
    assert find_all(window, "push button", "Stop Writing To File")
    return window


def records_written(path, at_least):
    wait_for(f"{at_least} records in {path.name}",
             lambda: path.exists() and path.read_bytes().count(b"\r\n") >= 3 + at_least)


def test_log_both_chips_stop_and_close_no_then_yes(start, tmp_path):
    program = start(SCENARIO)
    log_a, log_b = tmp_path / "a.sav", tmp_path / "b.sav"
    window_a = start_log(program, "A", log_a)
    window_b = start_log(program, "B", log_b)
    records_written(log_a, 2)
    records_written(log_b, 2)

    press(find(window_a, "push button", "Stop Writing To File"))
    wait_for("A's log to stop", lambda: find_all(window_a, "push button", "Save To File"))
    stopped = assert_log(log_a, "A")

    # Closing B while it writes asks first; No keeps it writing, with one record at once.
    before = log_b.read_bytes().count(b"\r\n")
    press_opening_modal(find(window_b, "push button", "Cancel"))
    question = program.alert()
    assert any(name(n).startswith("If you close this window then writing data to file will stop.")
               for n in find_all(question, "label"))
    program.answer(question, "No")
    assert find_all(window_b, "push button", "Stop Writing To File")
    assert log_b.read_bytes().count(b"\r\n") > before
    # Yes closes it and its log, with everything written kept.
    press_opening_modal(find(window_b, "push button", "Cancel"))
    program.answer(program.alert(), "Yes")
    wait_for("B's window to close", lambda: len(program.mdi_children("Save Data")) == 1)
    closed = assert_log(log_b, "B")

    records_written(log_a, 0)
    assert assert_log(log_a, "A") == stopped, "a stopped log is not written to"
    assert log_b.read_bytes().count(b"\r\n") == 3 + closed, "a closed log is not written to"


def test_closing_the_main_window_asks_every_writing_log_first(start, tmp_path):
    program = start(SCENARIO)
    program.menu_command("ZR410A", "Temperature Graph")
    log = tmp_path / "a.sav"
    window = start_log(program, "A", log)
    records_written(log, 1)

    close_x_window("ZR410A/B")
    program.answer(program.alert(), "No")
    # Nothing closed: the graph keeps its window and the log goes on.
    assert program.mdi_children("Temperature Graph")
    assert find_all(window, "push button", "Stop Writing To File")
    written = log.read_bytes().count(b"\r\n")
    records_written(log, written - 3 + 1)
