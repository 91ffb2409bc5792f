#!/usr/bin/python3
"""Pictures and drawing shapes survive the round trip: a sheet with two
pictures, a rectangle, an ellipse, a line, a text box and a note is
converted; LibreOffice finds the same shapes of each kind, the pictures
with their pixel sizes, each shape starting in the same cell; xlrd still
reads the note; every reader of the validity check accepts the file.

Groups survive too: a LibreOffice-made sheet with a group of two shapes and
a group holding a group comes back with the same groups and members, each
member close to where it was.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import subprocess
import sys
import unittest
from pathlib import Path

import xlrd

sys.path.insert(0, str(Path(__file__).resolve().parent))
import drawing_fixture  # noqa: E402
from roundtrip_case import convert, fresh_work_folder, main  # noqa: E402
from xls_validity import check_files, failures, soffice_command  # noqa: E402



def kind_of(shape_type):
    # As the fidelity comparer counts them.
    if shape_type.endswith("OLE2Shape"):
        return "chart"
    return "image" if shape_type.endswith("GraphicObjectShape") else "drawing"


class DrawingRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = fresh_work_folder("drawings")
        cls.source = cls.work / "shapes.ods"
        drawing_fixture.write_drawing_ods(cls.source)
        cls.result, cls.warnings = convert(cls.source, cls.work)
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
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


def shape_tree(office, path):
    """The first sheet's shapes as LibreOffice sees them, in drawing order:
    (kind, name, (x, y, width, height) in 1/100 mm, members)."""
    document = office._load(path)
    try:
        def describe(shape):
            shape_type = shape.getShapeType()
            box = (shape.Position.X, shape.Position.Y, shape.Size.Width, shape.Size.Height)
            if shape_type.endswith("GroupShape"):
                return ("group", shape.Name, box, [describe(shape.getByIndex(i)) for i in range(shape.Count)])
            return (kind_of(shape_type), shape.Name, box, [])
        page = document.Sheets.getByIndex(0).DrawPage
        return [describe(page.getByIndex(k)) for k in range(page.Count)]
    finally:
        document.close(True)


def structure(tree):
    """Kinds and names, nesting kept, positions left out."""
    return [(kind, name, structure(members)) if kind == "group" else (kind, name) for kind, name, _, members in tree]


def boxes(tree):
    """Every shape and group by name, with its box."""
    found = {}
    for _, name, box, members in tree:
        found[name] = box
        found.update(boxes(members))
    return found


class GroupRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        work = fresh_work_folder("drawing_groups")
        flat = work / "made" / "groups.fods"
        flat.parent.mkdir()
        drawing_fixture.write_groups_fods(flat)
        # LibreOffice saves it as its own document: the source is as it writes groups.
        subprocess.run(soffice_command(work / "profile") + ["--headless", "--convert-to", "ods", "--outdir", str(work), str(flat)],
                       capture_output=True, timeout=300, check=True)
        cls.source = work / "groups.ods"
        cls.result, cls.warnings = convert(cls.source, work)
        cls.work = work
        from office_snapshot import Office
        with Office() as office:
            cls.before = shape_tree(office, cls.source)
            cls.after = shape_tree(office, cls.result)

    def test_libreoffice_reads_the_fixture_as_intended(self):
        # Guards the fixture: LibreOffice keeps the groups of the flat document.
        by_name = lambda shape: shape[1]  # noqa: E731
        self.assertEqual(sorted(structure(self.before), key=by_name), sorted(drawing_fixture.EXPECTED_GROUPS, key=by_name))

    def test_same_groups_with_the_same_members(self):
        self.assertEqual(structure(self.after), structure(self.before))

    def test_members_stay_where_they_were(self):
        before, after = boxes(self.before), boxes(self.after)
        self.assertEqual(after.keys(), before.keys())
        for name, box in before.items():
            for was, now in zip(box, after[name]):
                # 1 mm: cell offsets are kept in 1/1024 of a column and 1/256 of a row.
                self.assertLessEqual(abs(now - was), 100, f"{name}: {after[name]} against {box}")

    def test_nothing_is_warned_about(self):
        self.assertNotIn("not converted", self.warnings)

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


if __name__ == "__main__":
    main()
