#!/usr/bin/env python3
"""vavirir-cli export --csv, read back with Python's csv module and compared
record for record with vavirir-cli dump --json of the same data file.

    csv_export.py VAVIRIR_CLI TOOLS_DIR

Run with TZ=Europe/Berlin: the times cross both daylight-saving changes of 2018.
"""
import csv
import json
import os
import subprocess
import sys
import tempfile

cli, tools_dir = sys.argv[1], sys.argv[2]
sys.path.insert(0, tools_dir)
import make_datafiles as mf  # noqa: E402  (the independent data file writer)

# time text -> the CSV's time in Europe/Berlin (None: the text goes out as it is)
TIMES = {
    "25/3/2018 1:59:59": "2018-03-25T01:59:59+01:00",   # PC clock, last second of winter time
    "25/3/2018 3:0:0": "2018-03-25T03:00:00+02:00",     # first second of summer time
    "25/3/2018 2:30:0": None,                           # the hour the clock skips
    "2018/07/01 12:00:00": "2018-07-01T12:00:00+02:00",  # meter clock
    "2018/10/28 03:30:00": "2018-10-28T03:30:00+01:00",  # winter time again
    "1/12/2018 0:0:0": "2018-12-01T00:00:00+01:00",
    "31/4/2018 1:2:3": None,                            # no 31 April
    "00:12:34": None,                                   # an elapsed time
    "2018/07/01 12:00:00 ": None,                       # trailing text
    "": None,
}
AWKWARD = 'a "b", c\td\r\ne'

# (value, unit, sequence, time, type) of the main records, then the companions
MAIN = [
    (1.5, "V", 1, "25/3/2018 1:59:59", "VDC"),
    (-0.000123456789012, "K\u03a9", 2, "25/3/2018 3:0:0", "RES"),
    (500000.0, "\u2103", 3, "2018/10/28 03:30:00", "TEMP"),
    (123456789012.0, AWKWARD, 4, "00:12:34", "x,y"),
    (0.1, "\u2109", 5, "25/3/2018 2:30:0", 'say "hi"'),
    (1e-300, "mV", 6, "2018/07/01 12:00:00", "mVDC"),
    (-6000.0, "M\u03a9", 7, "31/4/2018 1:2:3", "RES"),
    (2.0, "A", 8, "1/12/2018 0:0:0", "ADC"),
    (3.0, "A", 9, "2018/07/01 12:00:00 ", ""),
    (4.0, "A", 10, "", "ADC"),
]
COMPANIONS = [
    (1.25, "\u2103", 3, "2018/10/28 03:30:00", "Crest Factor"),
    (2.5, "V", 1, "25/3/2018 1:59:59", "Max"),
    (9.0, "V", 99, "25/3/2018 1:59:59", "Max"),  # matches no main record: not listed
    (0.5, "V", 1, "25/3/2018 1:59:59", "Min"),
]


def record_list(records, first):
    out = mf.count(len(records))
    for i, (value, unit, seq, time, typ) in enumerate(records):
        tag = mf.NEW_CLASS + mf.class_descriptor() if first and i == 0 else mf.CLASS_1
        out += tag + mf.body(value, unit, 0.0, seq, time, typ)
    return out


def run(*args, expect=0):
    result = subprocess.run([cli, *args], capture_output=True)
    if result.returncode != expect:
        sys.exit(f"{args}: exit {result.returncode}, stderr {result.stderr!r}")
    return result.stdout


def list_order(channels):
    """The data list: each main record, then the companions with its sequence."""
    rows = []
    for main in channels[0]:
        rows.append(main)
        rows += [c for c in channels[1] if c["sequence"] == main["sequence"]]
    return rows


failures = []


def check(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")


with tempfile.TemporaryDirectory() as tmp:
    data = os.path.join(tmp, "recording.txt")
    out = os.path.join(tmp, "recording.csv")
    with open(data, "wb") as f:
        f.write(record_list(MAIN, True) + record_list(COMPANIONS, False) + mf.count(0) +
                mf.summary())
    original = open(data, "rb").read()

    run("export", "--csv", data, out)
    raw = open(out, "rb").read()
    check("start of the file", raw[:34], b"id,time,value,unit,type,overload\r\n")
    raw.decode("utf-8")  # fails on anything but UTF-8
    with open(out, newline="", encoding="utf-8") as f:
        table = list(csv.reader(f, strict=True))

    dump = json.loads(run("dump", "--json", data))
    expected = list_order(dump["channels"])
    check("header", table[0], ["id", "time", "value", "unit", "type", "overload"])
    check("row count", len(table) - 1, len(MAIN) + 3)
    check("row count against the dump", len(table) - 1, len(expected))
    for i, (row, record) in enumerate(zip(table[1:], expected), start=1):
        overload = record["value"] == 500000.0
        want_time = TIMES[record["timeText"]] or record["timeText"]
        want = [str(i), want_time, "" if overload else "%.9g" % record["value"],
                record["unit"], record["typeText"], "1" if overload else "0"]
        check(f"row {i}", row, want)

    # The table's rows against the writer's own input, so the dump cannot hide a
    # text both programs get wrong.
    check("units in list order", [r[3] for r in table[1:5]], ["V", "V", "V", "K\u03a9"])
    check("awkward unit", table[7][3], AWKWARD)
    check("overload row", (table[5][2], table[5][5]), ("", "1"))

    # Writing the CSV over its own data file is refused and destroys nothing.
    run("export", "--csv", data, data, expect=2)
    check("data file after the refused export", open(data, "rb").read(), original)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print(f"CSV export: {len(MAIN)} main records, {len(table) - 1} rows, all as dumped")
