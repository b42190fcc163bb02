#!/usr/bin/python3
"""Checks the exported Standard MIDI File with programs that are not ours.

Structure: the file is read with mido; every event of every part is compared, with its
absolute tick, against a list derived here from the set-up's event table and the set-up
the export tool reports (--table), not from the exporter's own tables.

Render: one note per part is added to the file and it is played by fluidsynth's fast
render. Part 0 (a trumpet, pan 0) plays alone from 2.5 s to 3.5 s, every other part
from 4.0 s to 5.0 s, so the panned part is measured on its own: sox gives the RMS of each
channel in each window. A General MIDI player takes controller 10 = 0 as hard left.

SongTicks: where the export tool has the song export built in, the song file of the same
set-up is read by its record layout and every part's events, ticks and values are compared
with the Standard MIDI File; otherwise the check is skipped.

    check_smf.py --tool PATH/kq505_export_tool [unittest arguments, e.g. -k Render]
"""

import argparse
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

import mido

TOOL = None
SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"
TIMEOUT = 60

DEFAULTS = {
    "vol": 100, "exp": 127, "key_shift": 64, "porta_sw": 0, "porta_time": 0, "mix": 0,
    "mix_sw": 0, "bank_msb_a": 0, "bank_msb_b": 0, "bank_lsb_a": 0, "bank_lsb_b": 0,
    "program_a": 0, "program_b": 0, "reverb_a": 40, "reverb_b": 40, "chorus_a": 0,
    "chorus_b": 0, "variation_a": 0, "variation_b": 0, "pan_a": 64, "pan_b": 64,
    "brightness_a": 64, "brightness_b": 64, "harmonic_a": 64, "harmonic_b": 64,
    "hpf_a": 64, "hpf_b": 64, "attack_a": 64, "attack_b": 64, "decay_a": 64, "decay_b": 64,
    "release_a": 64, "release_b": 64, "vib_rate_a": 64, "vib_rate_b": 64,
    "vib_depth_a": 64, "vib_depth_b": 64, "vib_delay_a": 64, "vib_delay_b": 64,
    "eq_bass_freq_a": 12, "eq_bass_freq_b": 12, "eq_bass_gain_a": 64, "eq_bass_gain_b": 64,
    "eq_treble_freq_a": 54, "eq_treble_freq_b": 54, "eq_treble_gain_a": 64,
    "eq_treble_gain_b": 64,
}

# Events 2 to 18: the A layer, one controller or NRPN every 60 ticks from tick 300.
FIRST_PHASE = [
    ("reverb_a", "cc", 91), ("chorus_a", "cc", 93), ("variation_a", "cc", 94),
    ("pan_a", "cc", 10), ("brightness_a", "cc", 74), ("harmonic_a", "cc", 71),
    ("hpf_a", "nrpn", 0x24), ("attack_a", "cc", 73), ("decay_a", "nrpn", 0x64),
    ("release_a", "cc", 72), ("vib_rate_a", "nrpn", 0x08), ("vib_depth_a", "nrpn", 0x09),
    ("vib_delay_a", "nrpn", 0x0A), ("eq_bass_gain_a", "nrpn", 0x30),
    ("eq_treble_gain_a", "nrpn", 0x31), ("eq_bass_freq_a", "nrpn", 0x34),
    ("eq_treble_freq_a", "nrpn", 0x35),
]

# Events 25 to 44: the B layer, XG parameter changes (address high, low) from tick 1920.
SECOND_PHASE = [
    ("bank_msb_b", 0x08, 0x01, "Bank Select MSB"), ("bank_lsb_b", 0x08, 0x02, "Bank Select LSB"),
    ("program_b", 0x08, 0x03, "PGM#"), ("reverb_b", 0x08, 0x13, "Reverb"),
    ("chorus_b", 0x08, 0x12, "Chorus"), ("variation_b", 0x08, 0x14, "Variation"),
    ("pan_b", 0x08, 0x0E, "Panpot"), ("brightness_b", 0x08, 0x18, "Brightness"),
    ("harmonic_b", 0x08, 0x19, "Harmonic Content"), ("hpf_b", 0x0A, 0x20, "HPF Cutoff"),
    ("attack_b", 0x08, 0x1A, "EG Attack Time"), ("decay_b", 0x08, 0x1B, "EG Decay Time"),
    ("release_b", 0x08, 0x1C, "EG Release Time"), ("vib_rate_b", 0x08, 0x15, "Vibrato Rate"),
    ("vib_depth_b", 0x08, 0x16, "Vibrato Depth"), ("vib_delay_b", 0x08, 0x17, "Vibrato Delay"),
    ("eq_bass_gain_b", 0x08, 0x72, "EQ Bass Gain"),
    ("eq_treble_gain_b", 0x08, 0x73, "EQ Treble Gain"),
    ("eq_bass_freq_b", 0x08, 0x76, "EQ Bass Freq."),
    ("eq_treble_freq_b", 0x08, 0x77, "EQ Treble Freq."),
]


def run_tool(workdir, name, *options):
    mid = os.path.join(workdir, name + ".mid")
    table = os.path.join(workdir, name + ".json")
    subprocess.run([TOOL, *options, "--table", table, mid], check=True, timeout=TIMEOUT)
    with open(table, encoding="ascii") as f:
        return mid, json.load(f)


def cut_name(name):
    """At most 64 bytes, never ending on the first byte of a Shift_JIS double-byte character."""
    name = name.split(b"\0")[0]
    end = 0
    while end < len(name):
        lead = 0x81 <= name[end] <= 0x9F or 0xE0 <= name[end] <= 0xFC
        width = 2 if lead else 1
        if end + width > 64:
            break
        end += width
    return name[:end]


def absolute(track):
    tick = 0
    for msg in track:
        tick += msg.time
        yield tick, msg


def normalise(msg):
    if msg.type == "track_name":
        return ("track_name", msg.name.encode("latin-1"))
    if msg.type == "text":
        return ("text", msg.text.encode("latin-1"))
    if msg.type == "control_change":
        return ("cc", msg.channel, msg.control, msg.value)
    if msg.type == "program_change":
        return ("program", msg.channel, msg.program)
    if msg.type == "sysex":
        return ("sysex",) + tuple(msg.data)
    if msg.type == "end_of_track":
        return ("end",)
    return ("other", str(msg))


# The effect block 02 01 aa: per block the type's address, parameters 1..10, 11..16, and the
# return level (pan at the next address). Variation parameters 1..10 take two addresses each.
EFFECT_ADDRESSES = [("reverb", 0x00, 0x02, 0x10, 0x0C), ("chorus", 0x20, 0x22, 0x30, 0x2C),
                    ("variation", 0x40, 0x42, 0x70, 0x56)]
EFFECT_SENDS = [("chorus_to_reverb", 0x2E), ("variation_to_reverb", 0x58),
                ("variation_to_chorus", 0x59), ("variation_connection", 0x5A),
                ("variation_part", 0x5B)]
EFFECT_TICK = 60


def expected_effects(setup):
    """The effect blocks after XG System On: each block's type first (two 7-bit bytes)."""
    e = setup["effects"]

    def one(address, value):
        return (EFFECT_TICK, ("sysex", 0x43, 0x10, 0x4C, 0x02, 0x01, address, value))

    def two(address, value):
        return (EFFECT_TICK, ("sysex", 0x43, 0x10, 0x4C, 0x02, 0x01, address,
                              value >> 7, value & 0x7F))

    events = []
    for block, type_address, first, eleventh, return_address in EFFECT_ADDRESSES:
        values = e[block]
        events.append(two(type_address, values["type"]))
        for k, value in enumerate(values["params"][:10]):
            if block == "variation":
                events.append(two(first + 2 * k, value))
            else:
                events.append(one(first + k, value))
        for k, value in enumerate(values["params"][10:]):
            events.append(one(eleventh + k, value))
        events += [one(return_address, values["return"]), one(return_address + 1, values["pan"])]
    events += [one(address, e[name]) for name, address in EFFECT_SENDS]
    return events


def expected_part(setup, n):
    """Part n's track from the event table: (absolute tick, event) in file order."""
    v = {row: values[n] for row, values in setup["table"].items()}
    info = setup["export_info"] != 0
    step = setup["export_step"]
    ch, b = n, n + 16
    name = cut_name(bytes.fromhex(setup["track_names_hex"][n]))
    events = [(0, ("track_name", name))]

    def xg(tick, high, part, low, value, comment):
        if info:
            events.append((tick, ("text", comment.encode("ascii"))))
        events.append((tick, ("sysex", 0x43, 0x10, 0x4C, high, part, low, value)))

    events += [(240, ("cc", ch, 0, v["bank_msb_a"])), (240, ("cc", ch, 32, v["bank_lsb_a"])),
               (240, ("program", ch, v["program_a"]))]
    tick = 240
    for row, kind, number in FIRST_PHASE:
        tick += 60
        if kind == "cc":
            events.append((tick, ("cc", ch, number, v[row])))
        else:
            events += [(tick, ("cc", ch, 98, number)), (tick, ("cc", ch, 99, 1)),
                       (tick, ("cc", ch, 6, v[row]))]
    xg(1320, 0x08, b, 0x04, n, "Rcv CH")
    events.append((1380, ("cc", ch, 7, v["vol"])))
    events.append((1380, ("cc", ch, 11, v["exp"])))
    events.append((1440, ("cc", ch, 65, 127 if v["porta_sw"] else 0)))
    events.append((1500, ("cc", ch, 5, v["porta_time"])))
    if v["mix"] >= 1:
        xg(1560, 0x08, n, 0x0D, 64 - v["mix"], "Velocity Sense Offset")
    else:
        xg(1560, 0x08, b, 0x0D, 64 + v["mix"], "Velocity Sense Offset")
    xg(1620, 0x08, b, 0x08, v["key_shift"], "Key Shift")
    for k, (row, high, low, comment) in enumerate(SECOND_PHASE):
        xg(1920 + k * step, high, b, low, v[row], comment)
    events.append((1920 + 19 * step, ("end",)))
    return events


class Structure(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.files = {}
        for name, options in (("info_step10", ["--info", "--step", "10"]),
                              ("plain_step0", ["--step", "0"])):
            path, setup = run_tool(cls.dir.name, name, *options)
            cls.files[name] = (mido.MidiFile(path), setup)
            print(f"{name}: {os.path.getsize(path)} bytes", file=sys.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def test_header_and_conductor(self):
        for smf, setup in self.files.values():
            self.assertEqual(smf.type, 1)
            self.assertEqual(smf.ticks_per_beat, 480)
            self.assertEqual(len(smf.tracks), 17)
            self.assertEqual([(t, normalise(m)) for t, m in absolute(smf.tracks[0])],
                             [(0, ("track_name", b"Conductor Track")),
                              (0, ("other", str(mido.MetaMessage("set_tempo", tempo=500000)))),
                              (0, ("other", str(mido.MetaMessage(
                                  "time_signature", numerator=4, denominator=4,
                                  clocks_per_click=24, notated_32nd_notes_per_beat=8)))),
                              (0, ("sysex", 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00)),
                              *expected_effects(setup),
                              (1920, ("end",))])

    def test_the_tool_sets_effects_apart_from_the_defaults(self):
        _, setup = self.files["plain_step0"]
        e = setup["effects"]
        self.assertEqual(e["reverb"]["type"], 0x01 * 128 + 0x01)  # HALL 2
        self.assertEqual(e["variation"]["type"], 0x05 * 128)      # DELAY L,C,R
        self.assertGreater(e["variation"]["params"][0], 127)
        self.assertEqual(e["variation_part"], 0)

    def test_the_tool_sets_every_row_of_parts_0_and_9(self):
        _, setup = self.files["plain_step0"]
        for part in (0, 9):
            for row, default in DEFAULTS.items():
                self.assertNotEqual(setup["table"][row][part], default, (row, part))
        self.assertEqual(setup["table"]["pan_a"][0], 0)
        self.assertEqual(setup["table"]["program_a"][0], 56)

    def test_track_names(self):
        smf, setup = self.files["info_step10"]
        names = [smf.tracks[n + 1].name.encode("latin-1") for n in range(16)]
        self.assertEqual(names[0], "トランペット".encode("shift_jis"))
        self.assertEqual(names[9], "Drums ﾄﾞﾗﾑ".encode("shift_jis"))
        # 70 bytes whose 64th byte would start a character: 63 bytes are kept.
        self.assertEqual(len(bytes.fromhex(setup["track_names_hex"][1])), 70)
        self.assertEqual(names[1], b"X" + "ア".encode("shift_jis") * 31)
        self.assertEqual(names[2:9] + names[10:], [b""] * 13)

    def test_every_event_of_every_part(self):
        for name, (smf, setup) in self.files.items():
            for n in range(16):
                with self.subTest(file=name, part=n):
                    actual = [(t, normalise(m)) for t, m in absolute(smf.tracks[n + 1])]
                    self.assertEqual(actual, expected_part(setup, n))


def rms(wav, start, duration, channel):
    result = subprocess.run(["sox", wav, "-n", "trim", str(start), str(duration),
                             "remix", str(channel), "stat"],
                            capture_output=True, text=True, timeout=TIMEOUT, check=True)
    match = re.search(r"RMS\s+amplitude:\s+([0-9.eE+-]+)", result.stderr)
    if not match:
        raise AssertionError("no RMS in sox output: " + result.stderr)
    return float(match.group(1))


def add_note(track, channel, note, on, off):
    """Inserts a note at absolute ticks and moves End of Track behind everything."""
    events = [(t, m) for t, m in absolute(track) if m.type != "end_of_track"]
    events += [(on, mido.Message("note_on", channel=channel, note=note, velocity=100)),
               (off, mido.Message("note_off", channel=channel, note=note, velocity=0))]
    events.sort(key=lambda e: e[0])
    events.append((events[-1][0], mido.MetaMessage("end_of_track")))
    track.clear()
    previous = 0
    for tick, msg in events:
        track.append(msg.copy(time=tick - previous))
        previous = tick


def render(smf, workdir, name):
    mid = os.path.join(workdir, name + ".mid")
    wav = os.path.join(workdir, name + ".wav")
    smf.save(mid)
    subprocess.run(["fluidsynth", "-ni", "-q", "-T", "wav", "-F", wav, "-r", "44100",
                    "-R", "0", "-C", "0", SOUNDFONT, mid],
                   check=True, timeout=TIMEOUT, stdout=subprocess.DEVNULL)
    return wav


SOLO = (2.6, 0.8)       # part 0 alone: ticks 2400 to 3360 at 120 beats a minute
TUTTI = (4.1, 0.8)      # parts 1 to 15: ticks 3840 to 4800
SET_UP = (0.0, 2.4)     # before any note


def with_notes(path, pan_of_part_0=None):
    smf = mido.MidiFile(path)
    if pan_of_part_0 is not None:
        for msg in smf.tracks[1]:
            if msg.type == "control_change" and msg.control == 10:
                msg.value = pan_of_part_0
    add_note(smf.tracks[1], 0, 60, 2400, 3360)
    for n in range(1, 16):
        add_note(smf.tracks[n + 1], n, 38 if n == 9 else 64, 3840, 4800)
    return smf


class Render(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        path, _ = run_tool(cls.dir.name, "setup", "--info")
        cls.wav = render(with_notes(path), cls.dir.name, "exported")
        cls.centred = render(with_notes(path, pan_of_part_0=64), cls.dir.name, "centred")
        cls.level = {(window, ch): rms(cls.wav, *window, ch)
                     for window in (SOLO, TUTTI, SET_UP) for ch in (1, 2)}
        cls.centred_level = {ch: rms(cls.centred, *SOLO, ch) for ch in (1, 2)}
        print(f"RMS left/right: part 0 alone {cls.level[SOLO, 1]:.6f}/{cls.level[SOLO, 2]:.6f}, "
              f"other parts {cls.level[TUTTI, 1]:.6f}/{cls.level[TUTTI, 2]:.6f}, "
              f"set-up only {cls.level[SET_UP, 1]:.6f}/{cls.level[SET_UP, 2]:.6f}, "
              f"part 0 at pan 64 {cls.centred_level[1]:.6f}/{cls.centred_level[2]:.6f}",
              file=sys.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def test_the_file_sounds_and_the_set_up_alone_is_silent(self):
        for ch in (1, 2):
            self.assertGreater(self.level[TUTTI, ch], 0.005)
            self.assertLess(self.level[SET_UP, ch], 0.0001)

    def test_pan_zero_sounds_on_the_left(self):
        left, right = self.level[SOLO, 1], self.level[SOLO, 2]
        self.assertGreater(left, 0.005)
        self.assertGreaterEqual(left, 10 * right)

    def test_the_measure_tells_a_centred_part_apart(self):
        left, right = self.centred_level[1], self.centred_level[2]
        self.assertGreater(right, 0.005)
        self.assertLess(left / right, 2.0)


# The song file's record layout: the part tracks' slots, 128-byte track headers and
# 10-byte event records (kind, code, u32 tick, u16, u16), data records followed by a u32
# length and their bytes.
SONG_NRPN_CODES = {140: 0x08, 141: 0x09, 142: 0x0A, 143: 0x24, 144: 0x64, 175: 0x30,
                   176: 0x31, 177: 0x34, 178: 0x35}


def song_track(data, offset):
    name = data[offset + 64:offset + 128].rstrip(b"\0")
    pos, events = offset + 128, []
    while True:
        kind, code, tick, first, second = struct.unpack_from("<BBIHH", data, pos)
        pos += 10
        payload = b""
        if kind in (0xC0, 0xC1):
            (length,) = struct.unpack_from("<I", data, pos)
            payload = data[pos + 4:pos + 4 + length]
            pos += 4 + length
        if kind == 0x83:
            events.append((tick, ("program", first, second)))
        elif kind == 0x82 and code in SONG_NRPN_CODES:
            events.append((tick, ("nrpn", SONG_NRPN_CODES[code], second)))
        elif kind == 0x82:
            events.append((tick, ("cc", code, second)))
        elif kind == 0xC1:
            events.append((tick, ("text", payload.rstrip(b"\0"))))
        elif kind == 0xC0:
            events.append((tick, ("sysex",) + tuple(payload[1:-1])))
        elif kind == 0xFF:
            events.append((tick, ("end",)))
            return name, events
        else:
            raise AssertionError(f"unknown record kind {kind:#x} at {pos - 10}")


def without_expression(track):
    """The part's events but its expression, which the song export does not carry; and the
    expression events taken out, as (tick, value, index of the event before it)."""
    events = [(t, normalise(m)) for t, m in absolute(track)][1:]
    kept, expression = [], []
    for tick, e in events:
        if e[0] == "cc" and e[2] == 11:
            expression.append((tick, e[3], kept[-1][1] if kept else None))
        else:
            kept.append((tick, e))
    return kept, expression


def smf_as_song_events(events):
    """Folds bank and program, and the three controllers of an NRPN, into one event each."""
    folded, i = [], 0
    while i < len(events):
        tick, e = events[i]
        if e[0] == "cc" and e[2] == 0:
            folded.append((tick, ("program", e[3] * 256 + events[i + 1][1][3],
                                  events[i + 2][1][2])))
            i += 3
        elif e[0] == "cc" and e[2] == 98:
            folded.append((tick, ("nrpn", e[3], events[i + 2][1][3])))
            i += 3
        elif e[0] == "cc":
            folded.append((tick, ("cc", e[2], e[3])))
            i += 1
        else:
            folded.append((tick, e))
            i += 1
    return folded


class SongTicks(unittest.TestCase):
    def test_every_part_matches_the_song_export(self):
        with tempfile.TemporaryDirectory() as workdir:
            for options in (["--info", "--step", "10"], ["--step", "0"], ["--step", "37"]):
                mid = os.path.join(workdir, "setup.mid")
                song = os.path.join(workdir, "setup.vdl")
                result = subprocess.run([TOOL, *options, "--song", song, mid],
                                        capture_output=True, text=True, timeout=TIMEOUT)
                if result.returncode == 3:
                    self.skipTest("song export not built in")
                self.assertEqual(result.returncode, 0, result.stderr)
                smf = mido.MidiFile(mid)
                with open(song, "rb") as f:
                    data = f.read()
                _, conductor = song_track(data, 1040)
                self.assertEqual(conductor[-1][0], list(absolute(smf.tracks[0]))[-1][0])
                for n in range(16):
                    with self.subTest(options=options, part=n):
                        name, events = song_track(data, 1344 + 1504 * n)
                        self.assertEqual(smf.tracks[n + 1].name.encode("latin-1"), name)
                        kept, expression = without_expression(smf.tracks[n + 1])
                        self.assertEqual(smf_as_song_events(kept), events)
                        # One expression per part, on the volume's tick right after it.
                        volume = [(t, e) for t, e in events if e[:2] == ("cc", 7)]
                        self.assertEqual(len(volume), 1)
                        self.assertEqual([(t, before) for t, _, before in expression],
                                         [(volume[0][0], ("cc", n, 7, volume[0][1][2]))])
                        self.assertFalse([e for _, e in events if e[:2] == ("cc", 11)])


def main():
    global TOOL
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    args, rest = parser.parse_known_args()
    TOOL = args.tool
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
