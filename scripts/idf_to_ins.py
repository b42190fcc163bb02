#!/usr/bin/env python3
"""Turns an XML instrument definition (MidiInstrument elements holding Patch elements with the
attributes name, hbank, lbank and prog) into KQ505's instrument list: fixed-column L, P and M
records, Shift_JIS text with CR LF line ends.

  scripts/idf_to_ins.py DEFINITION.idf [--keep LIST.ins] [--note TEXT ...] [-o OUT.ins]

- Every MidiInstrument becomes a level (0 to 7, in file order) named after the instrument.
- A Patch becomes the voice at bank MSB hbank, bank LSB lbank (a missing bank reads 0) and
  program prog + 1: the definition counts programs from 0, the list from 1. A later patch
  for the same voice wins; a patch outside the ranges is left out.
- Each bank MSB that holds a voice gets a map named after the patch group of its first voice.
- --keep names a list of our own format whose level, map and voice names win over the
  definition's wherever both name the same thing (at level 0), so the names a list already
  ships stay as they are.
- --note lines are written as comment lines at the top, for the origin and licence.
- No single byte 5Ch or 7Eh is written, from the definition or the kept list: Shift_JIS reads
  them as a yen sign and an overline, so a backslash and a tilde become their full-width
  forms, which look the same in either reading.
Standard library only; run it by hand, never at build time.
"""

import argparse
import sys
import xml.etree.ElementTree as ET

ENCODING = "cp932"
MAX_LEVELS = 8


def record_name(text):
    # A name ends at the line end, so a line break inside it would start a new record.
    return text.replace("\r", " ").replace("\n", " ").strip()


def read_number(value):
    try:
        return int(value)
    except (TypeError, ValueError):
        return None


def read_definition(path):
    """Levels as dicts: name, maps {msb: name}, voices {(msb, program, lsb): name}."""
    root = ET.parse(path).getroot()
    instruments = [root] if root.tag == "MidiInstrument" else root.iter("MidiInstrument")
    levels = []
    for instrument in instruments:
        if len(levels) == MAX_LEVELS:
            break
        level = {"name": instrument.get("name", ""), "maps": {}, "voices": {}}
        groups = [(None, instrument)] + [(g.get("name"), g) for g in instrument.iter("PatchGroup")]
        for group_name, holder in groups:
            for patch in holder.findall("Patch"):
                add_patch(level, patch, group_name)
        levels.append(level)
    return levels


def add_patch(level, patch, group_name):
    msb = read_number(patch.get("hbank", "0"))
    lsb = read_number(patch.get("lbank", "0"))
    prog = read_number(patch.get("prog"))
    name = record_name(patch.get("name", ""))
    if None in (msb, lsb, prog) or not name:
        return
    if not (0 <= msb < 128 and 0 <= lsb < 128 and 0 <= prog < 128):
        return
    level["voices"][(msb, prog + 1, lsb)] = name
    level["maps"].setdefault(msb, record_name(group_name or "MSB %03d" % msb))


def read_own_list(path):
    """The level-0 L, P and M names of a list of our own format, as bytes."""
    kept = {"levels": {}, "maps": {}, "voices": {}}
    with open(path, "rb") as f:
        lines = f.read().split(b"\r\n")[1:]  # the first line is never a record
    for line in lines:
        kind, name = line[:1], reencode(line[22:])
        level = read_number(line[18:22].split(b" ")[0] or b"0")
        if kind == b"L" and level is not None:
            kept["levels"][level] = name
        if kind not in (b"P", b"M") or level != 0:
            continue
        msb = read_number(line[6:10].split(b" ")[0])
        if msb is None:
            continue
        if kind == b"P":
            kept["maps"][msb] = name
        else:
            lsb = read_number(line[2:6].split(b" ")[0])
            program = read_number(line[10:18].split(b" ")[0])
            if lsb is not None and program is not None:
                kept["voices"][(msb, program, lsb)] = name
    return kept


# The ASCII marks that Shift_JIS reads differently, and their full-width forms (81 5F, 81 60).
SHIFT_JIS_SAFE = str.maketrans({"\\": "\uff3c", "~": "\uff5e"})


def encode(text):
    return text.translate(SHIFT_JIS_SAFE).encode(ENCODING, errors="replace")


def reencode(name):
    """A name of a kept list, with the marks Shift_JIS reads differently made full-width."""
    return encode(name.decode(ENCODING, errors="replace"))


def make_list(levels, kept, notes):
    out = [b"; KQ505 instrument list"]
    out += [b"; " + encode(note) for note in notes]
    out += [
        b"; Records start in column 0 with L (level), P (map = bank MSB) or M (voice).",
        b"; Columns: 2-5 bank LSB, 6-9 bank MSB, 10-17 program 1..128, 18-21 level, 22- name.",
        b"; Lines that begin with any other character are comments.",
    ]
    for number, level in enumerate(levels):
        maps = {msb: encode(name) for msb, name in level["maps"].items()}
        voices = {key: encode(name) for key, name in level["voices"].items()}
        name = encode(level["name"])
        if number == 0 and kept:
            name = kept["levels"].get(0, name)
            maps.update(kept["maps"])
            voices.update(kept["voices"])
        out.append(b"L                 %d   " % number + name)
        for msb in sorted(maps):
            out.append(b"P     %03d         %d   " % (msb, number) + maps[msb])
        for msb, program, lsb in sorted(voices):
            out.append(b"M %03d %03d %03d     %d   " % (lsb, msb, program, number)
                       + voices[(msb, program, lsb)])
    return b"\r\n".join(out) + b"\r\n"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("definition")
    parser.add_argument("--keep", help="a list of our own format whose names win")
    parser.add_argument("--note", action="append", default=[], help="a comment line")
    parser.add_argument("-o", "--output", help="the list to write (default: standard output)")
    args = parser.parse_args(argv)
    try:
        levels = read_definition(args.definition)
        kept = read_own_list(args.keep) if args.keep else None
    except (OSError, ET.ParseError) as error:
        print("idf_to_ins: %s" % error, file=sys.stderr)
        return 1
    data = make_list(levels, kept, args.note)
    if args.output:
        with open(args.output, "wb") as f:
            f.write(data)
    else:
        sys.stdout.buffer.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
