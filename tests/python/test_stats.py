# SPDX-License-Identifier: MIT
"""A log's statistics are the same figures from the tool and from Python (not merely close: the
same code computes both), and they are the figures of the samples themselves."""

import json
import math
import random
import struct

import pytest
import zr410ab
from conftest import cli

HEADER_A = b"ZR410A\r\nDate:,d,Time:,t\r\n"
HEADER_B = b"ZR410B\r\nDate:,d,Time:,t\r\n"


def single(value):
    """The value as the chart and the statistics keep it: single precision."""
    return struct.unpack("f", struct.pack("f", value))[0]


def text(value):
    return (" " if value >= 0 else "") + (f"{value:.2f}".rstrip("0").rstrip(".") or "0")


def random_log(chip_b, records, seed):
    """A random walk with a constant stretch and repeated extremes (ties)."""
    rng = random.Random(seed)
    rows, internal = [], 25.0
    for i in range(records):
        if not 100 <= i < 160:  # readings that do not move
            internal = round(internal + rng.choice([-0.25, 0, 0.25]), 2)
        external = round(30 + rng.uniform(-0.05, 0.05), 2)
        rows.append([internal, external, i % 7 - 3] + ([12.1, 5.02] if chip_b else []))
    header = b"Internal,External,External Offset,"
    header = HEADER_B + header + b",12V,5V,\r\n" if chip_b else HEADER_A + header + b"\r\n"
    lines = []
    for r in rows:
        line = ",".join([text(r[0]), text(r[1]), text(r[2])]) + ","
        if chip_b:
            line += ",  " + text(r[3]).strip() + ",  " + text(r[4]).strip()
        lines.append(line.encode() + b"\r\n")
    return header + b"".join(lines)


def two_pass(values, times):
    """The plain two-pass computation the figures must match."""
    samples = [single(v) for v in values]
    if not samples:
        return {"count": 0}
    mean = sum(samples) / len(samples)
    low, high = min(samples), max(samples)
    return {
        "count": len(samples),
        "mean": mean,
        "sd": math.sqrt(sum((s - mean) ** 2 for s in samples) / (len(samples) - 1))
        if len(samples) > 1 else None,
        "minTime": times[samples.index(low)],
        "maxTime": times[samples.index(high)],
    }


LOGS = {
    "A": random_log(False, 1000, 1),
    "B": random_log(True, 700, 2),
    "A one record": HEADER_A + b"Internal,\r\n 25.5,\r\n",
    "B cut off": random_log(True, 50, 3) + b" 25.25, 3",
}


@pytest.mark.parametrize("name,span,partial", [
    ("A", (None, None), False),
    ("A", (25.0, 40.0), False),      # the constant stretch: sd exactly 0
    ("A", (10.0, 200.0), False),
    ("A", (300.0, 400.0), False),    # past the end: no values
    ("B", (0.25, 0.25), False),      # one record: no sd
    ("B", (1.0, 170.0), False),
    ("A one record", (None, None), False),
    ("B cut off", (None, None), True),
    ("B mixed, no events", (None, None), True),  # read up to its first record of another shape
])
def test_tool_and_python_give_the_same_figures(tmp_path, name, span, partial):
    path = tmp_path / "run.sav"
    path.write_bytes(LOGS[name])
    args = ["stats", str(path), "--json"] + (["--partial"] if partial else [])
    if span[0] is not None:
        args += ["--from", repr(span[0]), "--to", repr(span[1])]
    run = cli(*args)
    assert run.returncode == 0, run.stderr
    tool = json.loads(run.stdout)
    log = zr410ab.read_sav(path, partial=partial)
    python = log.stats(*span)
    assert tool["columns"] == python
    assert (tool["chip"], tool["records"]) == (log.chip, log.records)

    times = [0.25 * (i + 1) for i in range(log.records)]
    lo, hi = span[0] or 0, span[1] if span[1] is not None else math.inf
    chosen = [i for i, t in enumerate(times) if lo <= t <= hi]
    for column, figures in python.items():
        expected = two_pass([log.values[column][i] for i in chosen], [times[i] for i in chosen])
        assert figures["count"] == expected["count"]
        if not expected["count"]:
            assert set(figures.values()) == {0, None}
            continue
        for key in ("mean", "sd"):
            if expected[key] is None:
                assert figures[key] is None
            else:
                assert figures[key] == pytest.approx(expected[key], rel=1e-9, abs=1e-12)
        assert (figures["minTime"], figures["maxTime"]) == (expected["minTime"], expected["maxTime"])
        picked = [log.values[column][i] for i in chosen]
        assert (figures["min"], figures["max"]) == (min(picked), max(picked))
        assert figures["pp"] == round(figures["max"] - figures["min"], 6)
    if name == "A" and span == (25.0, 40.0):
        assert python["Internal"]["sd"] == 0


@pytest.mark.parametrize("args,status,message", [
    (["--column", "Vccp"], 1, "has no column 'Vccp' (it has Internal, External, External Offset)"),
    (["--from", "-1"], 1, "--from: '-1' is neither seconds from the start"),
    (["--to", "2026-12-08T15:41:10Z"], 1, "--to: a wall time needs the log's .events file"),
    (["--from", "5", "--to", "2"], 1, "--from comes after --to"),
    (["--column", "External"], 0, None),
])
def test_tool_refuses_what_it_cannot_answer(tmp_path, args, status, message):
    path = tmp_path / "run.sav"
    path.write_bytes(LOGS["A"])
    run = cli("stats", str(path), *args)
    assert run.returncode == status
    if message:
        assert message in run.stderr
    else:
        assert [line.split()[0] for line in run.stdout.splitlines()[3:]] == ["External"]


def test_tool_names_the_line_of_a_damaged_log(tmp_path):
    path = tmp_path / "run.sav"
    path.write_bytes(LOGS["B cut off"])
    run = cli("stats", str(path))
    assert run.returncode == 4
    assert f"{path}: line 54: " in run.stderr


# docs/events-file.md's example: Offset ticked before record 2, Internal cleared before record 3,
# and two seconds lost before record 4.
MIXED_SAV = (
    b"ZR410B\r\nDate:,08.12.26,Time:,15:41:10\r\nInternal,External,,12V,5V,Vcc,2.5V,Vccp,\r\n"
    b" 25.25, 31.5,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n"
    b" 25.5, 31.75,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n"
    b" 25.75, 32, 0,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n"
    b", 32.25, 5,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n"
    b", 30, 5,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n"
    b", 30.5, 5,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n"
)
LOGS["B mixed, no events"] = MIXED_SAV
RAILS = '"12V","5V","Vcc","2.5V","Vccp"'
MIXED_EVENTS = (
    '{"format":1,"kind":"start","lines":["ZR410B","Date:,08.12.26,Time:,15:41:10",'
    '"Internal,External,,12V,5V,Vcc,2.5V,Vccp,"],"columns":["Internal","External",' + RAILS + '],'
    '"time":"2026-12-08T15:41:10.000Z","intervalMs":250,"chip":"ZR410B","address":76,'
    '"board":"Simulated board","port":"","version":"1.0.2"}\n'
    '{"kind":"anchor","record":0,"time":"2026-12-08T15:41:10.250Z"}\n'
    '{"kind":"options","record":2,"columns":["Internal","External","External Offset",' + RAILS
    + ']}\n'
    '{"kind":"options","record":3,"columns":["External","External Offset",' + RAILS + ']}\n'
    '{"kind":"marker","record":3,"text":"Offset 5","event":"offset"}\n'
    '{"kind":"anchor","record":4,"time":"2026-12-08T15:41:13.000Z"}\n'
    '{"kind":"future-kind","record":5}\n'
)


@pytest.mark.parametrize("args,span,figures", [
    ([], (None, None), {
        "Internal": (3, 25.25, 25.75, 0.25, 0.75),
        "External": (6, 30, 32.25, 3.0, 1.0),
        "External Offset": (4, 0, 5, 0.75, 1.0)}),
    (["--from", "0.9", "--to", "3.1"], (0.9, 3.1), {
        "Internal": (0, None, None, None, None),
        "External": (2, 30, 32.25, 3.0, 1.0)}),
    (["--from", "2026-12-08T15:41:12Z", "--to", "2026-12-08T16:41:13.250+01:00"], (2, 3.25), {
        "External Offset": (2, 5, 5, 3.0, 3.0)}),
])
def test_a_log_read_with_its_events_file(tmp_path, args, span, figures):
    """Every value in its own column, and times from the anchors, alike in the tool and Python."""
    path = tmp_path / "mixed.sav"
    path.write_bytes(MIXED_SAV)
    (tmp_path / "mixed.sav.events").write_text(MIXED_EVENTS)
    log = zr410ab.read_sav(path)
    assert log.has_events and log.times == [0.25, 0.5, 0.75, 1.0, 3.0, 3.25]
    assert log.records_of["Internal"] == [0, 1, 2]
    assert log.events == [{"record": 3, "event": "offset", "text": "Offset 5"}]
    run = cli("stats", str(path), "--json", *args)
    assert run.returncode == 0, run.stderr
    tool = json.loads(run.stdout)
    assert tool["times"] == "events" and tool["columns"] == log.stats(*span)
    for column, (count, low, high, min_time, max_time) in figures.items():
        got = tool["columns"][column]
        assert (got["count"], got["min"], got["max"], got["minTime"], got["maxTime"]) == (
            count, low, high, min_time, max_time)
