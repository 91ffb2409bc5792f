#!/usr/bin/python3
"""Pictures and drawing shapes survive the round trip: a sheet with two
pictures, a rectangle, an ellipse, a line, a text box and a note is
converted; LibreOffice finds the same shapes of each kind, the pictures
with their pixel sizes, each shape starting in the same cell; xlrd still
reads the note; every reader of the validity check accepts the file.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import os
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

import xlrd

sys.path.insert(0, str(Path(__file__).resolve().parent))
import drawing_fixture  # noqa: E402
from xls_validity import check_files, failures  # noqa: E402

SKIPPED = 77
WORK = Path(os.environ.get("ROUNDTRIP_WORK", "/tmp/brindlemoor_roundtrip")) / "drawings"


def kind_of(shape_type):
    # As the fidelity comparer counts them.
    if shape_type.endswith("OLE2Shape"):
        return "chart"
    return "image" if shape_type.endswith("GraphicObjectShape") else "drawing"


class DrawingRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        WORK.mkdir(parents=True)
        cls.source = WORK / "shapes.ods"
        drawing_fixture.write_drawing_ods(cls.source)
        result = subprocess.run([os.environ["ROUNDTRIP_CONVERTER"], str(cls.source), "-o", str(WORK)],
                                capture_output=True, text=True, timeout=300)
        if result.returncode != 0:
            raise AssertionError(f"converter failed: {result.stdout}{result.stderr}")
        cls.warnings = result.stdout + result.stderr
        cls.result = WORK / "shapes.xls"
        from office_snapshot import Office
        with Office() as office:
            cls.before = office.drawing_shapes(cls.source)[0]
            cls.after = office.drawing_shapes(cls.result)[0]

    def test_libreoffice_reads_the_fixture_as_intended(self):
        # Guards the fixture itself: otherwise the comparison below proves little.
        kinds = {}
        for shape_type, _, _, _ in self.before:
            kinds[kind_of(shape_type)] = kinds.get(kind_of(shape_type), 0) + 1
        self.assertEqual(kinds, drawing_fixture.EXPECTED_KINDS)
        starts = {name: start for _, name, start, _ in self.before}
        for name, start in drawing_fixture.EXPECTED_STARTS.items():
            if name != "Picture on page":
                self.assertEqual(starts[name], start, name)

    def test_same_shapes_of_each_kind_in_the_same_cells(self):
        def by_name(shapes):
            return {name: (kind_of(t), start) for t, name, start, _ in shapes}
        self.assertEqual(by_name(self.after), by_name(self.before))

    def test_pictures_keep_their_pixels(self):
        pixels = {name: size for _, name, _, size in self.after if size}
        self.assertEqual(pixels, {"Picture in cell": drawing_fixture.PICTURES["Pictures/red.png"],
                                  "Picture on page": drawing_fixture.PICTURES["Pictures/stripes.png"]})

    def test_note_shares_the_drawing(self):
        book = xlrd.open_workbook(str(self.result))
        notes = book.sheet_by_index(0).cell_note_map
        self.assertEqual([(key, note.text, note.author) for key, note in notes.items()],
                         [((13, 1), "Check the label", "Reviewer")])

    def test_nothing_is_warned_about(self):
        self.assertNotIn("not converted", self.warnings)

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=WORK / "check")), [])


if __name__ == "__main__":
    if shutil.which("soffice") is None:
        print("LibreOffice is not installed")
        sys.exit(SKIPPED)
    unittest.main()
