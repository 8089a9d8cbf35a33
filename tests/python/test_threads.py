# SPDX-License-Identifier: MIT
"""Several threads on one board while a log runs: every call returns, none deadlocks with the
log's Ctrl-C check, and closing the board under the log ends it with its records kept."""

import faulthandler
import sys
import threading

import pytest
import zr410ab

WATCHDOG_S = 60


def every_call(board, rounds, errors):
    """Each call the package offers, over and over; a closed board may refuse any of them."""
    try:
        calls(board, rounds)
    except Exception as error:  # a thread's failure must reach the test
        errors.append(error)


def calls(board, rounds):
    for i in range(rounds):
        try:
            chip = board.chip("AB"[i % 2])
            chip.temperatures()
            if chip.name == "ZR410B":
                chip.voltages()
            chip.external_offset = i % 600 - 100
            assert isinstance(chip.external_offset, int)
            chip.ping()
            chip.dib()
            chip.transaction(b"\xf7", 16)
            chip.address
            board.closed
            if i % 16 == 0:
                board.scan()
        except zr410ab.ChipNotFoundError:
            assert board.closed


@pytest.mark.parametrize("close_under_the_log", [False, True])
def test_calls_from_every_thread_while_a_log_runs(tmp_path, close_under_the_log):
    # A hang shows as the threads' stacks and a failed run instead of a stuck suite.
    faulthandler.dump_traceback_later(WATCHDOG_S, exit=True, file=sys.__stderr__)
    try:
        path = tmp_path / "stress.sav"
        board = zr410ab.open_board("sim")
        outcome, errors = [], []

        def log():
            try:
                outcome.append(board.log(path, "B", interval=0.01, count=30)["records"])
            except zr410ab.ChipNotFoundError:
                outcome.append("closed")

        threads = [threading.Thread(target=log)]
        threads += [threading.Thread(target=every_call, args=(board, 60, errors)) for _ in range(4)]
        for thread in threads:
            thread.start()
        if close_under_the_log:
            while not path.exists():
                threading.Event().wait(0.01)
            board.close()
        for thread in threads:
            thread.join(WATCHDOG_S)
            assert not thread.is_alive(), "a thread hangs"
        assert errors == []
        assert outcome == (["closed"] if close_under_the_log else [30])
        records = zr410ab.read_sav(path).records
        assert records <= 30 if close_under_the_log else records == 30
    finally:
        faulthandler.cancel_dump_traceback_later()
