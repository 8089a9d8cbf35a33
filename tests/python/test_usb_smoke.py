# SPDX-License-Identifier: MIT
"""The module over the real libusb code, with the emulated board behind it (run by CTest under
the USB emulator, whose board sits at port 1-1). One board per process: the emulator does not see
a closed handle give its interface back, as the kernel does."""

import json
import os

import pytest
import zr410ab
from conftest import cli


@pytest.mark.skipif("ZR410AB_USB_EMULATED" not in os.environ, reason="needs the USB emulator")
def test_usb_board_by_its_port():
    listed = cli("--board", "usb", "boards", "--json")
    assert listed.returncode == 0, listed.stderr
    assert zr410ab.list_boards() == json.loads(listed.stdout)["boards"]
    assert [b["port"] for b in zr410ab.list_boards()] == ["1-1"]
    with pytest.raises(zr410ab.BoardNotFoundError, match="1-1"):
        zr410ab.open_board("usb", device="1-9")
    with zr410ab.open_board("usb", device="1-1") as board:
        assert board.scan() == {"ZR410A": 72, "ZR410B": 76}
        internal, external = board.chip("A").temperatures()
        assert -40 < internal < 130 and -40 < external < 130
        assert set(board.chip("B").voltages()) == set(zr410ab.RAILS)
