#!/usr/bin/env python3
"""Writes the golden and damaged data files under tests/data/datafiles.

This is a second, independent writer of the data file layout (little-endian
object stream), kept apart from the program's own writer so the tests compare
two implementations. Standard library only.

    python3 tools/make_datafiles.py [OUTPUT_DIR]
"""
import os
import struct
import sys


# ----------------------------------------------------------------- primitives

def word(v):
    return struct.pack("<H", v)


def dword(v):
    return struct.pack("<I", v)


def int32(v):
    return struct.pack("<i", v)


def double(v):
    return struct.pack("<d", v)


def count(n):
    return word(n) if n < 0xFFFF else word(0xFFFF) + dword(n)


def wide_string(text, form=None):
    """UTF-16 string with the marker FF FE FF; form forces a longer length form."""
    units = text.encode("utf-16-le")
    n = len(units) // 2
    out = b"\xff" + word(0xFFFE)
    if form is None:
        form = "byte" if n < 0xFF else "word" if n < 0xFFFE else "dword"
    if form == "byte":
        out += bytes([n])
    elif form == "word":
        out += b"\xff" + word(n)
    elif form == "dword":
        out += b"\xff" + word(0xFFFF) + dword(n)
    elif form == "qword":
        out += b"\xff" + word(0xFFFF) + dword(0xFFFFFFFF) + struct.pack("<Q", n)
    return out + units


def narrow_string(data, form=None):
    """8-bit string (no marker) as other tools write it; data is bytes."""
    n = len(data)
    if form is None:
        form = "byte" if n < 0xFF else "word" if n < 0xFFFE else "dword"
    if form == "byte":
        head = bytes([n])
    elif form == "word":
        head = b"\xff" + word(n)
    else:
        head = b"\xff" + word(0xFFFF) + dword(n)
    return head + data


def class_descriptor(name=b"CObData", schema=1):
    return word(schema) + word(len(name)) + name


def body(value, unit, rate, seq, time, typ, string=wide_string):
    return (double(value) + string(unit) + double(rate) + int32(seq) +
            string(time) + string(typ))


NEW_CLASS = word(0xFFFF)
CLASS_1 = word(0x8001)


def summary(average=0.0, maximum=-6000.0, maximum_time="", minimum=6000.0,
            minimum_time="", rate=1.0, total=0.0, data_number=0,
            start="", end="", typ=""):
    return (double(average) + double(maximum) + wide_string(maximum_time) +
            double(minimum) + wide_string(minimum_time) + double(rate) +
            double(total) + int32(data_number) + wide_string(start) +
            wide_string(end) + wide_string(typ))


# ------------------------------------------------------------- golden files

def empty_document():
    return count(0) * 3 + summary()


def one_record():
    """The start of the file is the documented example: one record, 1.5 V."""
    return (count(1) + NEW_CLASS + class_descriptor() +
            body(1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC") +
            count(0) + count(0) +
            summary(1.5, 1.5, "1/2/2018 3:4:5", 1.5, "1/2/2018 3:4:5", 1.0,
                    1.5, 1, "1/2/2018 3:4:5", "1/2/2018 3:4:5", "VDC"))


def mixed_forms():
    """Every tag and string form the reader accepts, as other tools may write.

    Channel 0 (object numbers: class 1, records 2, 3; null; class 4, records 5, 6):
      record A: new class, UTF-16 texts with "KΩ" and a character outside the BMP
      null entry (skipped)
      record B: 8-bit Latin-1 texts "°C", "Ü" with the word length form
      record C: second new-class descriptor (class number 4)
      record D: long tag naming class 4
    Channel 1: record E: long tag naming class 1, 8-bit texts, long null tag
    Channel 2: empty, count written in the long COUNT form.
    """
    ch0 = (count(4 + 1) +
           NEW_CLASS + class_descriptor() +
           body(10.02, "K\u03a9", 0.0, 0, "3/5/2018 9:7:5", "RES \U0001F600") +
           word(0x0000) +
           CLASS_1 + double(-0.5) + narrow_string(b"\xb0C", "word") + double(2.0) +
           int32(-7) + narrow_string(b"2018/05/03 09:07:05") +
           narrow_string(b"\xdcber", "dword") +
           NEW_CLASS + class_descriptor() +
           body(500000.0, "mVDC", 0.0, 1, "3/5/2018 9:7:6", "mVDC",
                string=lambda t: wide_string(t, "dword")) +
           word(0x7FFF) + dword(0x80000004) +
           body(-12.345, "HZ", 0.0, 2, "3/5/2018 9:7:7", "HZ",
                string=lambda t: wide_string(t, "qword")))
    ch1 = (count(2) +
           word(0x7FFF) + dword(0x80000001) +
           double(3.25) + narrow_string(b"V") + double(1.0) + int32(0) +
           narrow_string(b"00:12:41") + narrow_string(b"Max") +
           word(0x7FFF) + dword(0))
    ch2 = word(0xFFFF) + dword(0)
    return ch0 + ch1 + ch2 + summary(
        2.5, 12.345, "3/5/2018 9:7:7", -0.5, "2018/05/03 09:07:05", 0.5,
        5.0, 4, "3/5/2018 9:7:5", "3/5/2018 9:7:7", "HZ")


def long_strings():
    """Strings of 254, 255 and 65534 code units, each in the form written for it."""
    ch0 = (count(1) + NEW_CLASS + class_descriptor() +
           body(1.0, "a" * 254, 0.0, 0, "b" * 255, "\u00e9" * 65534))
    return ch0 + count(0) + count(0) + summary(typ="c" * 255)


GOLDEN = {
    "empty.txt": empty_document,
    "one_record.txt": one_record,
    "mixed_forms.txt": mixed_forms,
    "long_strings.txt": long_strings,
}


# ------------------------------------------------------------ damaged files

def one_record_with(entry):
    return count(1) + entry + count(0) + count(0) + summary()


RECORD = body(1.0, "V", 0.0, 0, "t", "VDC")

DAMAGED = {
    "schema_2.txt": one_record_with(NEW_CLASS + class_descriptor(schema=2) + RECORD),
    "schema_0.txt": one_record_with(NEW_CLASS + class_descriptor(schema=0) + RECORD),
    "class_name_other.txt": one_record_with(NEW_CLASS + class_descriptor(b"CObDatb") + RECORD),
    "class_name_short.txt": one_record_with(NEW_CLASS + class_descriptor(b"CObDat") + RECORD),
    "class_name_lowercase.txt": one_record_with(NEW_CLASS + class_descriptor(b"cobdata") + RECORD),
    "class_name_64.txt": one_record_with(NEW_CLASS + class_descriptor(b"C" * 64) + RECORD),
    "class_name_65535.txt": one_record_with(NEW_CLASS + word(1) + word(0xFFFF) + b"CObData"),
    "class_ref_before_class.txt": one_record_with(CLASS_1 + RECORD),
    "class_ref_zero.txt": one_record_with(word(0x8000) + RECORD),
    "class_ref_to_object.txt": (count(2) + NEW_CLASS + class_descriptor() + RECORD +
                                word(0x8002) + RECORD + count(0) + count(0) + summary()),
    "long_class_ref_unknown.txt": one_record_with(word(0x7FFF) + dword(0x80000005) + RECORD),
    "object_ref_forward.txt": one_record_with(word(0x0002)),
    "object_ref_repeated.txt": (count(2) + NEW_CLASS + class_descriptor() + RECORD +
                                word(0x0002) + count(0) + count(0) + summary()),
    "object_ref_to_class.txt": (count(2) + NEW_CLASS + class_descriptor() + RECORD +
                                word(0x0001) + count(0) + count(0) + summary()),
    "long_object_ref.txt": (count(2) + NEW_CLASS + class_descriptor() + RECORD +
                            word(0x7FFF) + dword(2) + count(0) + count(0) + summary()),
    "count_giant_word.txt": word(0xFFFE) + NEW_CLASS + class_descriptor() + RECORD,
    "count_giant_dword.txt": word(0xFFFF) + dword(0xFFFFFFFF) + NEW_CLASS + class_descriptor(),
    "count_too_big_for_rest.txt": count(3) + NEW_CLASS + class_descriptor() + RECORD +
    count(0) + count(0) + summary(),
    "string_giant_narrow.txt": one_record_with(
        NEW_CLASS + class_descriptor() + double(1.0) + b"\xff" + word(0xFFFF) +
        dword(0xFFFFFFF0) + b"abc"),
    "string_giant_wide.txt": one_record_with(
        NEW_CLASS + class_descriptor() + double(1.0) + b"\xff" + word(0xFFFE) + b"\xff" +
        word(0xFFFF) + dword(0xFFFFFFFF) + struct.pack("<Q", 0xFFFFFFFFFFFFFFFF) + b"ab"),
    "string_wide_odd_byte.txt": count(1) + NEW_CLASS + class_descriptor() + double(1.0) +
    b"\xff" + word(0xFFFE) + bytes([2]) + b"a\x00b",
    "summary_missing.txt": count(0) * 3,
    "zero_bytes.txt": b"",
    "one_byte.txt": b"\x00",
    "text_file.txt": b"Hello, this is a plain text file.\r\n",
}


def truncations():
    """The one-record file cut before each item of its layout."""
    pieces = [
        ("count", count(1)), ("tag", NEW_CLASS), ("schema", word(1)),
        ("name_length", word(7)), ("name", b"CObData"), ("value", double(1.5)),
        ("unit", wide_string("V")), ("sample_rate", double(0.0)), ("sequence", int32(0)),
        ("time", wide_string("1/2/2018 3:4:5")), ("type", wide_string("VDC")),
        ("channel1", count(0)), ("channel2", count(0)), ("average", double(1.5)),
        ("maximum", double(1.5)), ("maximum_time", wide_string("x")),
        ("minimum", double(1.5)), ("minimum_time", wide_string("y")),
        ("doc_sample_rate", double(1.0)), ("sum", double(1.5)), ("data_number", int32(1)),
        ("start_time", wide_string("s")), ("end_time", wide_string("e")),
        ("doc_type", wide_string("VDC")),
    ]
    files = {}
    data = b""
    for i, (name, piece) in enumerate(pieces):
        files["truncated_%02d_before_%s.txt" % (i, name)] = data
        if len(piece) > 1:
            files["truncated_%02d_inside_%s.txt" % (i, name)] = data + piece[:-1]
        data += piece
    return files


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "tests", "data", "datafiles")
    os.makedirs(os.path.join(out, "golden"), exist_ok=True)
    os.makedirs(os.path.join(out, "damaged"), exist_ok=True)
    for name, make in GOLDEN.items():
        write(os.path.join(out, "golden", name), make())
    damaged = dict(DAMAGED)
    damaged.update(truncations())
    for name, data in damaged.items():
        write(os.path.join(out, "damaged", name), data)


if __name__ == "__main__":
    main()
