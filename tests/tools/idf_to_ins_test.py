#!/usr/bin/env python3
"""The converter from XML instrument definitions to our list, on small files written here."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "idf_to_ins.py")
SHIPPED_LIST = os.path.join(os.path.dirname(__file__), "..", "..", "res", "xg.ins")


def single_byte_marks(data):
    """Offsets of the bytes 5Ch and 7Eh that stand alone, where Shift_JIS reads a yen sign and
    an overline; as the second byte of a two-byte character they are part of that character."""
    marks, at = [], 0
    while at < len(data):
        byte = data[at]
        if 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC:
            at += 2  # a lead byte and the byte it takes with it
            continue
        if byte in (0x5C, 0x7E):
            marks.append(at)
        at += 1
    return marks


DEFINITION = """<?xml version="1.0"?>
<muse version="2.1">
  <MidiInstrument name="Small XG">
    <PatchGroup name="Piano">
      <Patch name="Grand" hbank="0" lbank="0" prog="0" />
      <Patch name="GrndPnoK" hbank="0" lbank="1" prog="0" />
      <Patch name="Old name" hbank="0" lbank="40" prog="127" />
      <Patch name="Last one wins" hbank="0" lbank="40" prog="127" />
      <Patch name="Too far" hbank="0" lbank="0" prog="128" />
      <Patch name="No number" hbank="x" lbank="0" prog="3" />
      <Patch name="&#12500;&#12450;&#12494;" hbank="0" lbank="2" prog="0" />
      <Patch name="16+2\\" hbank="0" lbank="40" prog="16" />
      <Patch name="~Pad~ &#12477;&#34920;" hbank="0" lbank="41" prog="16" />
    </PatchGroup>
    <PatchGroup name="Sound FX">
      <Patch name="CuttngNz" hbank="64" lbank="0" prog="0" />
    </PatchGroup>
    <PatchGroup name="Drum Kits">
      <Patch name="Standard" hbank="127" prog="0" drum="1" />
    </PatchGroup>
  </MidiInstrument>
  <MidiInstrument name="Second">
    <Patch name="Loose&#10;patch" hbank="8" lbank="3" prog="5" />
  </MidiInstrument>
</muse>
"""

KEPT = (b"; kept list\r\n"
        b"L                 0   XG\r\n"
        b"P     000         0   GM/XG Normal\r\n"
        b"M 000 000 001     0   Acoustic Grand Piano\r\n"
        b"M 000 127 001     1   Level one is not kept\r\n")


class Converter(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.definition = self.write("small.idf", DEFINITION.encode("utf-8"))

    def tearDown(self):
        self.folder.cleanup()

    def write(self, name, data):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def convert(self, *args):
        out = os.path.join(self.folder.name, "out.ins")
        done = subprocess.run([sys.executable, SCRIPT, self.definition, "-o", out, *args],
                              capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(out, "rb") as f:
            return f.read()

    def records(self, data):
        return [line for line in data.split(b"\r\n") if line[:1] in (b"L", b"P", b"M")]

    def test_records_count_programs_from_one_at_their_columns(self):
        data = self.convert("--note", "Names from small.idf, GPL-2.0-or-later")
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        lines = data.split(b"\r\n")
        self.assertEqual(lines[0][:1], b";")  # the first line is never a record
        self.assertIn(b"; Names from small.idf, GPL-2.0-or-later", lines)
        self.assertEqual(self.records(data), [
            b"L                 0   Small XG",
            b"P     000         0   Piano",
            b"P     064         0   Sound FX",
            b"P     127         0   Drum Kits",
            b"M 000 000 001     0   Grand",
            b"M 001 000 001     0   GrndPnoK",
            b"M 002 000 001     0   \x83\x73\x83\x41\x83\x6d",  # Shift_JIS
            b"M 040 000 017     0   16+2\x81\x5f",  # full-width backslash
            b"M 041 000 017     0   \x81\x60Pad\x81\x60 \x83\x5c\x95\x5c",  # tilde; "ソ表" kept
            b"M 040 000 128     0   Last one wins",
            b"M 000 064 001     0   CuttngNz",
            b"M 000 127 001     0   Standard",  # a kit without lbank is LSB 0
            b"L                 1   Second",
            b"P     008         1   MSB 008",
            b"M 003 008 006     1   Loose patch",
        ])

    def test_a_kept_list_wins_where_it_names_the_same_thing_at_level_zero(self):
        kept = self.write("kept.ins", KEPT)
        records = self.records(self.convert("--keep", kept))
        self.assertIn(b"L                 0   XG", records)
        self.assertIn(b"P     000         0   GM/XG Normal", records)
        self.assertIn(b"M 000 000 001     0   Acoustic Grand Piano", records)
        self.assertIn(b"M 001 000 001     0   GrndPnoK", records)
        self.assertIn(b"M 000 127 001     0   Standard", records)
        self.assertNotIn(b"M 000 000 001     0   Grand", records)
        self.assertFalse(any(b"Level one" in line for line in records))

    def test_no_byte_reads_differently_in_shift_jis_than_in_ascii(self):
        # The check itself: trail bytes 5Ch and 7Eh are no marks, lone ones are.
        self.assertEqual(single_byte_marks(b"\x83\x5c\x95\x7e"), [])
        self.assertEqual(single_byte_marks(b"a\\\x83\x5cb~"), [1, 5])
        kept = self.write("kept.ins", KEPT.replace(b"GM/XG Normal", b"GM\\XG ~Normal"))
        data = self.convert("--keep", kept, "--note", "from C:\\MIDI, ~/midi")
        self.assertEqual(single_byte_marks(data), [])
        self.assertIn(b"P     000         0   GM\x81\x5fXG \x81\x60Normal", self.records(data))
        self.assertIn(b"; from C:\x81\x5fMIDI, \x81\x60/midi", data.split(b"\r\n"))

    def test_the_shipped_list_reads_the_same_in_shift_jis_as_in_ascii(self):
        with open(SHIPPED_LIST, "rb") as f:
            data = f.read()
        lines = [data[:at].count(b"\n") + 1 for at in single_byte_marks(data)]
        self.assertEqual(lines, [], "lines with a lone 5Ch or 7Eh")
        self.assertIn(b"M 040 000 017     0   16+2\"2/3", self.records(data))

    def test_a_broken_definition_is_reported_and_writes_nothing(self):
        self.definition = self.write("broken.idf", b"<muse><MidiInstrument name='x'>")
        out = os.path.join(self.folder.name, "out.ins")
        done = subprocess.run([sys.executable, SCRIPT, self.definition, "-o", out],
                              capture_output=True)
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"idf_to_ins:", done.stderr)
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
