#!/usr/bin/python3
"""Form controls and grouped shapes survive the round trip: a sheet with a
button, a check box, option buttons, and a list box and a drop-down list
filled from cells, most of them linked to cells, and a group of two shapes is converted; LibreOffice
finds the same controls (kind, label, linked cell, list range) and the
group's shapes; every reader of the validity check accepts the file.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import control_fixture  # noqa: E402
from roundtrip_case import convert, fresh_work_folder, main  # noqa: E402
from xls_validity import check_files, failures  # noqa: E402



def shapes_of(office, path):
    """The first sheet's shapes: ("control", kind, label, linked cell, list
    range) for controls, ("group", member count) for groups, ("shape", type)
    for others. Cells as (column, row)."""
    document = office._load(path)
    try:
        page = document.Sheets.getByIndex(0).DrawPage
        out = []
        for k in range(page.Count):
            shape = page.getByIndex(k)
            kind = shape.getShapeType()
            if kind.endswith("ControlShape"):
                model = shape.Control
                info = model.getPropertySetInfo()
                label = model.Label if info.hasPropertyByName("Label") and model.Label else None
                cell = source = None
                binding = model.getValueBinding() if hasattr(model, "getValueBinding") else None
                if binding is not None:
                    cell = (binding.BoundCell.Column, binding.BoundCell.Row)
                entries = model.getListEntrySource() if hasattr(model, "getListEntrySource") else None
                if entries is not None:
                    r = entries.CellRange
                    source = (r.StartColumn, r.StartRow, r.EndColumn, r.EndRow)
                out.append(("control", model.ClassId, label, cell, source))
            elif kind.endswith("GroupShape"):
                out.append(("group", shape.Count))
            else:
                out.append(("shape", kind))
        return out
    finally:
        document.close(True)


class ControlRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = fresh_work_folder("controls")
        cls.source = cls.work / "controls.ods"
        control_fixture.write_control_ods(cls.source)
        cls.result, cls.warnings = convert(cls.source, cls.work)
        from office_snapshot import Office
        with Office() as office:
            cls.before = shapes_of(office, cls.source)
            cls.after = shapes_of(office, cls.result)

    @staticmethod
    def controls(shapes):
        return [s[1:] for s in shapes if s[0] == "control"]

    def test_libreoffice_reads_the_fixture_as_intended(self):
        # Guards the fixture itself: otherwise the comparison below proves little.
        expected = [(kind, label, cell, source)
                    for _, kind, _, label, cell, source in control_fixture.CONTROLS]
        self.assertEqual(self.controls(self.before), expected)
        self.assertIn(("group", control_fixture.GROUP_MEMBERS), self.before)

    def test_same_controls_with_their_labels_and_cells(self):
        def read_back(controls):
            return [(control_fixture.READ_BACK_KIND.get(kind, kind), label, cell, source)
                    for kind, label, cell, source in controls]
        self.assertEqual(self.controls(self.after), read_back(self.controls(self.before)))

    def test_same_shapes_a_group_kept_shape_by_shape(self):
        # Members counted one by one: the same whether a reader shows the
        # group or only its members.
        def counted(shapes):
            out = []
            for s in shapes:
                out += ["shape"] * s[1] if s[0] == "group" else [s[0]]
            return sorted(out)
        self.assertEqual(counted(self.after), counted(self.before))

    def test_nothing_is_warned_about(self):
        self.assertNotIn("not converted", self.warnings)

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


if __name__ == "__main__":
    main()
