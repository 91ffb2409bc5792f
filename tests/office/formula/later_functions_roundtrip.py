#!/usr/bin/python3
"""Functions Excel 97 lacks, through the converter and back.

Functions that later versions of Excel have built in (IFERROR, SUMIFS,
T.DIST, ...) are written as those versions write them into .xls files;
LibreOffice must read them back with the same text and, recalculated, the
same result. Functions no Excel knows and names the document does not define
keep their text and their #NAME? result. The converter names every such cell
in a warning, and xlrd reads every formula record with its cached result.

Environment: FORMULA_CONVERTER (path of brindlemoor-convert), FORMULA_WORK
(folder for the files, kept for inspection). Exits 77 when LibreOffice or its
Python bridge is missing.
"""

import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from formula_roundtrip import formula_cell, main, number_cell, round_trip, same_result  # noqa: E402

D = "$Data."

# Calculated the same after the round trip.
LATER = [
    "IFERROR(1/0;5)", f"IFERROR([{D}A1]*2;0)", f"SUMIFS([{D}A1:.A6];[{D}B1:.B6];\">2\")",
    f"COUNTIFS([{D}A1:.A6];\">1\";[{D}B1:.B6];\"<9\")", f"AVERAGEIF([{D}A1:.A6];\">2\")",
    f"AVERAGEIFS([{D}A1:.A6];[{D}B1:.B6];\">0\")", "COM.MICROSOFT.T.DIST(1.5;4;1)", "COM.MICROSOFT.NORM.S.DIST(1;1)",
    f"COM.MICROSOFT.STDEV.S([{D}A1:.A6])", f"COM.MICROSOFT.PERCENTILE.EXC([{D}A1:.A6];0.5)",
    "COM.MICROSOFT.CEILING.PRECISE(4.2;2)", "COM.MICROSOFT.ISO.CEILING(-4.2)",
    f"COM.MICROSOFT.NETWORKDAYS.INTL([{D}C1];[{D}C1]+30;1)", "FINV(0.5;2;3)", "FDIST(1;2;3;1)",
    "LEGACY.FINV(0.5;2;3)", f"IF(IFERROR([{D}A2]/0;-1)<0;SUMIFS([{D}A1:.A6];[{D}A1:.A6];\"<4\");0)",
]
# With the switch for the cumulative form: the later function that takes it
# (LibreOffice shows its name, BETA.DIST with the switch before the bounds).
LATER += ["BETADIST(0.5;2;3;0;1;1)", "HYPGEOMDIST(1;4;3;10;1)", "LOGNORMDIST(2;0;1;0)"]
READ_BACK_AS = {
    "=BETADIST(0.5;2;3;0;1;1)": "=BETA.DIST(0.5;2;3;1;0;1)",
    "=HYPGEOMDIST(1;4;3;10;1)": "=HYPGEOM.DIST(1;4;3;10;1)",
    "=LOGNORMDIST(2;0;1;0)": "=LOGNORM.DIST(2;0;1;0)",
}
# Unknown to Excel, or using an undefined name: text kept, #NAME? before recalculation.
UNKNOWN = ["NumFmt(1)", f"SUM(NoSuchRange)+[{D}A1]"]


def source_fods():
    data = "".join("<table:table-row>" + number_cell(a) + number_cell(b) + number_cell(c) + "</table:table-row>"
                   for a, b, c in [(1, 5, 43831), (2, 3, 43900), (3, 8, 44000), (4, 1, 44100), (5, 9, 44200),
                                   (6, 2, 44300)])
    rows = "".join("<table:table-row>" + formula_cell(f) + "</table:table-row>" for f in LATER + UNKNOWN)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="Data">{data}</table:table>
<table:table table:name="Later">{rows}</table:table>
</office:spreadsheet></office:body></office:document>
"""


class LaterFunctionsRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        base = Path(os.environ.get("FORMULA_WORK") or tempfile.mkdtemp(prefix="formula_roundtrip_"))
        work = base / "later"
        if work.exists():
            shutil.rmtree(work)
        work.mkdir(parents=True)
        cls.source, cls.result, cls.status, cls.errors, cls.before, cls.after = round_trip(work, "later", source_fods())

    def test_later_functions_keep_text_and_result(self):
        self.assertEqual(self.status, 0, self.errors)
        mismatches = []
        for row in range(len(LATER)):
            formula, result = self.before[("Later", row, 0)]
            got = self.after.get(("Later", row, 0))
            if got is None or got[0] != READ_BACK_AS.get(formula, formula) or not same_result(result, got[1]):
                mismatches.append(f"row {row + 1}: {formula} = {result} became {got}")
        self.assertEqual(mismatches, [], "\n".join(mismatches))

    def test_unknown_functions_and_names_keep_their_text(self):
        for row in range(len(LATER), len(LATER) + len(UNKNOWN)):
            formula, result = self.before[("Later", row, 0)]
            with self.subTest(formula=formula):
                self.assertEqual(result[0], "error")
                self.assertIn(("Later", row, 0), self.after)
                self.assertEqual(self.after[("Later", row, 0)][0].lower(), formula.lower())

    def test_every_such_cell_is_named_in_a_warning(self):
        warnings = [line for line in self.errors.splitlines() if "shows as #NAME?" in line]
        self.assertTrue(any("IFERROR" in w and "A1" in w for w in warnings), self.errors)
        self.assertTrue(any("NUMFMT" in w and f"A{len(LATER) + 1}" in w for w in warnings), self.errors)
        self.assertTrue(any("nosuchrange" in w.lower() and f"A{len(LATER) + 2}" in w for w in warnings), self.errors)
        self.assertNotIn("kept as", self.errors)

    def test_xlrd_reads_every_formula_record(self):
        import xlrd
        sheet = xlrd.open_workbook(str(self.result)).sheet_by_name("Later")
        for row in range(len(LATER) + len(UNKNOWN)):
            formula, result = self.before[("Later", row, 0)]
            cell = sheet.cell(row, 0)
            with self.subTest(formula=formula):
                if result[0] == "number":
                    self.assertAlmostEqual(cell.value, result[1], places=9)
                else:
                    self.assertEqual(cell.ctype, xlrd.XL_CELL_ERROR)


if __name__ == "__main__":
    main()
