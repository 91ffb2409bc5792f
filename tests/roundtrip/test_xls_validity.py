#!/usr/bin/python3
"""The structural check must pass a sound workbook (LibreOffice's own export)
and fail each kind of damage done to a copy of it."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import make_fixtures  # noqa: E402
import xls_validity as xv  # noqa: E402

FAST = ("olefile", "biff", "xlrd")


def records(stream):
    return list(xv.iter_records(stream))


def first(stream, rtype, after=0):
    """(offset, data) of the first record of a type at or after an offset."""
    for offset, kind, data in records(stream):
        if kind == rtype and offset >= after:
            return offset, data
    raise LookupError(f"no record 0x{rtype:04X}")


def sheet_start(stream):
    """Stream offset of the first sheet's BOF."""
    return struct.unpack_from("<I", first(stream, xv.BOUNDSHEET)[1])[0]


class ValidityCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = Path(tempfile.mkdtemp(prefix="xls_validity_"))
        work = Path(os.environ.get("ROUNDTRIP_WORK") or cls.dir)
        source = make_fixtures.make(work / "fixtures")["values"]
        with tempfile.TemporaryDirectory() as profile:
            subprocess.run(xv.soffice_command(profile) + ["--convert-to", "xls", "--outdir",
                           str(cls.dir), str(source)], check=True, capture_output=True, timeout=300)
        cls.sound = cls.dir / "values.xls"
        cls.stream = xv.read_workbook_stream(cls.sound)
        cls.cache = work / "validity"

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def damaged(self, name, offset, new_bytes):
        """A copy of the sound workbook with bytes of its Workbook stream replaced."""
        import olefile
        path = self.dir / f"{name}.xls"
        shutil.copy(self.sound, path)
        stream = bytearray(self.stream)
        stream[offset:offset + len(new_bytes)] = new_bytes
        with olefile.OleFileIO(str(path), write_mode=True) as ole:
            ole.write_stream("Workbook", bytes(stream))
        return path

    def verdicts(self, path, readers=FAST):
        return {v.reader: v for v in xv.check_files([path], readers, self.cache)[path]}

    def test_sound_workbook_passes_every_reader(self):
        verdicts = self.verdicts(self.sound, xv.READERS)
        for reader, verdict in verdicts.items():
            self.assertIn(verdict.status, (xv.OK, xv.WARN, xv.SKIP), str(verdict))
        self.assertEqual(verdicts["biff"].status, xv.OK, str(verdicts["biff"]))

    def test_each_damage_is_caught_by_the_record_walk(self):
        stream = self.stream
        sheet = sheet_start(stream)
        label_at, _ = first(stream, xv.LABELSST, sheet)
        bound_at, bound = first(stream, xv.BOUNDSHEET)
        sst_at, _ = first(stream, xv.SST)
        cont_at, _ = first(stream, xv.CONTINUE, sst_at)
        dims_at, _ = first(stream, xv.DIMENSIONS, sheet)
        last_at = records(stream)[-1][0]
        damages = {
            "xf index": (label_at + 4 + 4, struct.pack("<H", 4000)),
            "string index": (label_at + 4 + 6, struct.pack("<I", 10 ** 6)),
            "sheet offset": (bound_at + 4, struct.pack("<I", sheet + 2)),
            "unique string count": (sst_at + 4 + 4, struct.pack("<I", 10 ** 5)),
            "continue option byte": (cont_at + 4, b"\x05"),
            "forbidden sheet name": (bound_at + 4 + 8, b"?"),
            "dimensions beyond the grid": (dims_at + 4 + 10, struct.pack("<H", 300)),
            "record past the end": (last_at + 2, struct.pack("<H", 16)),
            "not BIFF8": (4, struct.pack("<H", 0x0500)),
        }
        self.assertEqual(bound[7] & 1, 0, "sheet name stored as 8-bit characters")
        for name, (offset, new_bytes) in damages.items():
            with self.subTest(damage=name):
                verdict = self.verdicts(self.damaged(name.replace(" ", "_"), offset, new_bytes))["biff"]
                self.assertEqual(verdict.status, xv.FAIL, str(verdict))

    def test_string_index_pointing_elsewhere_is_a_warning(self):
        extsst_at, _ = first(self.stream, xv.EXTSST)
        stale = self.damaged("extsst", extsst_at + 4 + 2, struct.pack("<I", 12345))
        verdict = self.verdicts(stale, ("biff",))["biff"]
        self.assertEqual(verdict.status, xv.WARN, str(verdict))
        self.assertIn("EXTSST", str(verdict))

    def test_a_file_that_is_no_workbook_fails_everywhere(self):
        path = self.dir / "noise.xls"
        path.write_bytes(bytes(range(256)) * 40)
        for reader, verdict in self.verdicts(path, xv.READERS).items():
            with self.subTest(reader=reader):
                self.assertIn(verdict.status, (xv.FAIL, xv.SKIP), str(verdict))


if __name__ == "__main__":
    if not shutil.which("soffice"):
        print("LibreOffice (soffice) is not installed: skipped")
        sys.exit(77)
    unittest.main(verbosity=2)
