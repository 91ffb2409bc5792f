#!/usr/bin/python3
"""The look survives the round trip: formatting-rich spreadsheets made by
LibreOffice (make_look_fixtures.py) are converted, and xlrd reads back fonts,
exact colours, borders, alignment, sizes, merges, outlines, panes, zoom,
notes and hyperlinks.

Environment: ROUNDTRIP_CONVERTER (path of brindlemoor-convert) and
ROUNDTRIP_WORK (folder for fixtures and results). Exits 77 (skipped) when
LibreOffice is not installed.
"""

import os
import re
import shutil
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
import zipfile
from pathlib import Path

import xlrd

sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_look_fixtures  # noqa: E402

SKIPPED = 77
WORK = Path(os.environ.get("ROUNDTRIP_WORK", "/tmp/brindlemoor_roundtrip")) / "look"


def rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


class LookRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        fixtures = make_look_fixtures.make(WORK / "fixtures")
        out = WORK / "xls"
        shutil.rmtree(out, ignore_errors=True)
        out.mkdir(parents=True)
        result = subprocess.run([os.environ["ROUNDTRIP_CONVERTER"], *map(str, fixtures.values()), "-o", str(out)],
                                capture_output=True, text=True, timeout=600)
        assert result.returncode == 0, result.stderr
        cls.books = {name: xlrd.open_workbook(str(out / f"{name}.xls"), formatting_info=True) for name in fixtures}
        cls.fixtures, cls.out = fixtures, out

    def xf_at(self, book, sheet, row, col):
        return book.xf_list[book.sheet_by_index(sheet).cell_xf_index(row, col)]

    def colour(self, book, index):
        return book.colour_map.get(index)

    def test_fonts_keep_family_size_and_decorations(self):
        book = self.books["look_fonts"]
        sheet = book.sheet_by_index(0)
        for row, (family, size) in enumerate(zip(make_look_fixtures.FONTS, [8, 10, 11, 12, 14, 18])):
            font = book.font_list[self.xf_at(book, 0, row, 0).font_index]
            self.assertEqual(font.height, size * 20, family)
            expected = {"Liberation Sans": "Arial", "Liberation Serif": "Times New Roman",
                        "Liberation Mono": "Courier New"}.get(family, family)
            self.assertIn(font.name, (family, expected))
            decorated = [book.font_list[self.xf_at(book, 0, row, c).font_index] for c in range(1, 8)]
            self.assertEqual(decorated[0].weight, 700)
            self.assertTrue(decorated[1].italic)
            self.assertEqual(decorated[2].underline_type, 1)
            self.assertEqual(decorated[3].underline_type, 2)
            self.assertTrue(decorated[4].struck_out)
            # (LibreOffice keeps no superscript or subscript in a cell style: its .ods has none.)
        self.assertEqual(sheet.cell_value(0, 0), "Liberation Sans 8")

    def test_colours_off_the_default_palette_stay_exact(self):
        book = self.books["look_fonts"]
        first = len(make_look_fixtures.FONTS)
        for i, colour in enumerate(make_look_fixtures.COLOURS):
            text = book.font_list[self.xf_at(book, 0, first + i, 0).font_index]
            self.assertEqual(self.colour(book, text.colour_index), rgb(colour))
            fill = self.xf_at(book, 0, first + i, 1).background
            self.assertEqual(fill.fill_pattern, 1)
            self.assertEqual(self.colour(book, fill.pattern_colour_index), rgb(colour))

    def test_borders_keep_style_class_and_colour(self):
        book = self.books["look_borders"]
        # xlrd's line styles: 1 thin, 2 medium, 3 dashed, 4 dotted, 5 thick, 6 double, 7 hair,
        # 8 medium dashed, 9 dash-dot, 10 medium dash-dot, 11 dash-dot-dot, 12 medium dash-dot-dot
        expected = {"solid": [7, 1, 2, 5], "dotted": [4, 4, 4, 4], "dashed": [3, 3, 8, 8],
                    "fine-dashed": [3, 3, 8, 8], "dash-dot": [9, 9, 10, 10], "dash-dot-dot": [11, 11, 12, 12],
                    "double": [6, 6, 6, 6]}
        for i, line in enumerate(make_look_fixtures.BORDER_STYLES):
            for j in range(4):
                border = self.xf_at(book, 0, 1 + 2 * i, 1 + 2 * j).border
                with self.subTest(line=line, width=j):
                    self.assertEqual(border.top_line_style, expected[line][j])
                    self.assertEqual(border.left_line_style, expected[line][j])
                    colour = make_look_fixtures.COLOURS[(i * 4 + j) % len(make_look_fixtures.COLOURS)]
                    self.assertEqual(self.colour(book, border.top_colour_index), rgb(colour))
        diagonals = self.xf_at(book, 0, 1 + 2 * len(make_look_fixtures.BORDER_STYLES), 2).border
        self.assertTrue(diagonals.diag_down and diagonals.diag_up)

    def test_alignment_rotation_and_protection(self):
        book = self.books["look_borders"]
        sheet = book.sheet_by_index(0)
        cells = {sheet.cell_value(r, c): self.xf_at(book, 0, r, c) for r in range(sheet.nrows)
                 for c in range(sheet.ncols) if sheet.cell_type(r, c) == xlrd.XL_CELL_TEXT}
        align = {text: xf.alignment for text, xf in cells.items()}
        self.assertEqual(align["left"].hor_align, 1)
        self.assertEqual(align["centre"].hor_align, 2)
        self.assertEqual(align["right"].hor_align, 3)
        self.assertEqual(align["fill"].hor_align, 4)
        self.assertEqual(align["justified text that runs long"].hor_align, 5)
        self.assertEqual(align["top"].vert_align, 0)
        self.assertEqual(align["middle"].vert_align, 1)
        self.assertEqual(align["wrapped text over several lines"].text_wrapped, 1)
        self.assertEqual(align["shrunk to fit its narrow column"].shrink_to_fit, 1)
        self.assertGreater(align["indented"].indent_level, 0)
        self.assertEqual(align["45 degrees"].rotation, 45)
        self.assertEqual(align["90 degrees"].rotation, 90)
        self.assertEqual(align["minus 30"].rotation, 120)  # 90 + 30: clockwise
        self.assertEqual(align["stacked"].rotation, 255)
        self.assertEqual(cells["unlocked"].protection.cell_locked, 0)
        self.assertEqual(cells["formula hidden"].protection.formula_hidden, 1)

    def test_sizes_hidden_outlines_and_merges(self):
        book = self.books["look_sheet"]
        sheet = book.sheet_by_name("Layout")
        digit = 0.556 * 10  # the default font's "0" in points (Liberation Sans 10)
        widths = {c: sheet.colinfo_map[c].width * digit / 256 / 72 * 2.54 for c in range(8)}
        self.assertAlmostEqual(widths[0], 4.5, delta=0.05)
        self.assertAlmostEqual(widths[1], 1.2, delta=0.05)
        self.assertTrue(sheet.colinfo_map[3].hidden)
        self.assertEqual(sheet.colinfo_map[4].outline_level, 1)
        self.assertAlmostEqual(sheet.rowinfo_map[1].height / 20 / 72 * 2.54, 1.1, delta=0.02)
        self.assertAlmostEqual(sheet.rowinfo_map[2].height / 20 / 72 * 2.54, 0.3, delta=0.02)
        self.assertGreater(sheet.rowinfo_map[0].height, 450)  # a 20 pt title line
        self.assertTrue(sheet.rowinfo_map[4].hidden)
        self.assertEqual([sheet.rowinfo_map[r].outline_level for r in (5, 6, 7)], [1, 1, 2])
        self.assertEqual(sheet.merged_cells, [(8, 10, 0, 3)])
        corner = self.xf_at(book, 0, 9, 2).border  # bottom right cell of the merge
        self.assertEqual((corner.bottom_line_style, corner.right_line_style), (1, 1))

    def test_view_print_setup_notes_and_links(self):
        book = self.books["look_sheet"]
        layout = book.sheet_by_name("Layout")
        self.assertTrue(layout.panes_are_frozen)
        self.assertEqual((layout.vert_split_pos, layout.horz_split_pos), (1, 2))
        self.assertEqual(layout.scl_mag_factor, 125)
        self.assertFalse(layout.show_grid_lines)
        self.assertEqual(book.sheet_by_name("Second sheet").scl_mag_factor, 75)
        self.assertEqual(book.sheet_by_name("Hidden one").visibility, 1)
        notes = {(r, c): n for (r, c), n in layout.cell_note_map.items()}
        self.assertEqual(notes[(10, 0)].author, "Ada Reviewer")
        self.assertEqual(notes[(10, 0)].text, "Check this figure.\nSecond line.")
        self.assertTrue(notes[(10, 1)].show)
        links = {(link.frowx, link.fcolx): link for link in layout.hyperlink_list}
        self.assertEqual(links[(11, 0)].url_or_path, "https://example.org/report?q=1")
        self.assertEqual(links[(11, 1)].textmark, "'Second sheet'!B3")
        rtl = self.books["look_rtl"].sheet_by_index(0)
        self.assertEqual(rtl.scl_mag_factor, 90)

    def test_row_heights_read_back_through_libreoffice(self):
        """LibreOffice shows the rows of our workbook as high as those of the
        source: the ones it sizes to their content (a 20 pt title, 14 pt text,
        three lines) and the ones set by hand."""
        back = WORK / "back"
        shutil.rmtree(back, ignore_errors=True)
        profile = (WORK / "lo_profile").resolve().as_uri()
        result = subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless", "--convert-to", "ods",
                                 "--outdir", str(back), str(self.out / "look_sheet.xls")],
                                capture_output=True, text=True, timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr)
        source = row_heights_cm(self.fixtures["look_sheet"], "Layout")
        ours = row_heights_cm(back / "look_sheet.ods", "Layout")
        for row in (0, 1, 2, 3, 12):
            self.assertAlmostEqual(ours[row], source[row], delta=0.02, msg=f"row {row + 1}")
        self.assertGreater(source[0], source[3])  # the rows measured differ
        self.assertGreater(source[12], source[3])

    def test_row_runs_read_back_through_libreoffice(self):
        """A run of rows that reaches below the rows LibreOffice lays out again
        keeps its stored height throughout, and so does a run to the end of
        the sheet; the rows above are sized to their content."""
        back = WORK / "back_rows"
        shutil.rmtree(back, ignore_errors=True)
        profile = (WORK / "lo_profile").resolve().as_uri()
        result = subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless", "--convert-to", "ods",
                                 "--outdir", str(back), str(self.out / "look_rows.xls")],
                                capture_output=True, text=True, timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr)
        source = row_heights_cm(self.fixtures["look_rows"], "Rows", cap=300)
        ours = row_heights_cm(back / "look_rows.ods", "Rows", cap=300)
        for row in (0, 1, 2, 150, 200, 251, 252, 253, 260):
            self.assertAlmostEqual(ours[row], source[row], delta=0.02, msg=f"row {row + 1}")
        self.assertGreater(source[1], source[0] + 0.3)  # two lines against one
        self.assertAlmostEqual(source[2], 0.8, delta=0.02)
        self.assertAlmostEqual(source[260], 0.7, delta=0.02)

    def test_wrapped_text_read_back_through_libreoffice(self):
        """Rows of wrapped, justified and mixed-size text are as high in our
        workbook as LibreOffice lays out the source, though the source stores
        one line for each."""
        back = WORK / "back_rows"
        if not (back / "look_rows.ods").exists():
            self.test_row_runs_read_back_through_libreoffice()
        source = row_heights_cm(self.fixtures["look_rows"], "Wrapped")
        ours = row_heights_cm(back / "look_rows.ods", "Wrapped")
        for row in range(6):
            self.assertAlmostEqual(ours[row], source[row], delta=0.02, msg=f"row {row + 1}")
        one_line = 0.452
        self.assertGreater(source[0], 3 * one_line)    # several lines in the narrow column
        self.assertGreater(source[1], 2 * one_line)    # a word broken between its letters
        self.assertLess(source[2], source[0])          # fewer lines over the merge
        self.assertGreater(source[3], 1.5 * one_line)  # justified text wraps
        self.assertGreater(source[4], 1.5 * one_line)  # the larger part's line

    def test_stretches_of_rows_read_back_through_libreoffice(self):
        """A row stored a little higher than its line keeps its height where
        no row of its stretch changes on screen, and a span repeating the
        cell's font is laid out as formatted text, in our workbook as in the
        source."""
        back = WORK / "back_rows"
        if not (back / "look_rows.ods").exists():
            self.test_row_runs_read_back_through_libreoffice()
        source = row_heights_cm(self.fixtures["look_rows"], "Stretches")
        ours = row_heights_cm(back / "look_rows.ods", "Stretches")
        for row in range(7):
            self.assertAlmostEqual(ours[row], source[row], delta=0.004, msg=f"row {row + 1}")
        self.assertAlmostEqual(source[0], 0.466, delta=0.002)  # kept
        self.assertAlmostEqual(source[2], 0.452, delta=0.002)  # set with its higher neighbour
        self.assertAlmostEqual(source[3], 0.452, delta=0.002)
        self.assertLess(source[5], source[6] - 0.01)           # formatted text's line against the plain one

    def test_raised_and_lowered_text_read_back_through_libreoffice(self):
        """Rows holding raised and lowered parts of text are as high in our
        workbook as LibreOffice lays out the source: the parts' offsets
        deepen their lines, though Excel 97 keeps only superscript and
        subscript."""
        back = WORK / "back_rows"
        if not (back / "look_rows.ods").exists():
            self.test_row_runs_read_back_through_libreoffice()
        source = row_heights_cm(self.fixtures["look_rows"], "Raised")
        ours = row_heights_cm(back / "look_rows.ods", "Raised")
        for row in range(7):
            self.assertAlmostEqual(ours[row], source[row], delta=0.004, msg=f"row {row + 1}")
        self.assertGreater(source[0], source[1] + 0.04)  # the subscript's line against the plain one
        self.assertGreater(source[2], 0.5)               # far up
        self.assertGreater(source[4], source[3] + 0.1)   # the larger lowered part
        self.assertGreater(source[6], 2 * 0.44)          # two lines, the first deepened

    def test_merged_ranges_and_blanks_show_the_sources_borders_in_libreoffice(self):
        """Blanks of the plain style in columns whose style draws borders, and
        the first cells of merges, have the same borders in LibreOffice from
        our workbook as from the source; LibreOffice takes a merge's right and
        bottom edges from its top right and bottom left cells, and draws the
        source's merge in its first cell's look, covered cells' own styles
        unseen (the bottom right cell's here)."""
        from office_snapshot import Office
        cells = ("B1", "C1", "B2", "D3", "A5", "B5")
        with Office() as office:
            source = office_borders(office, self.fixtures["look_merges"], "Merges", cells)
            ours = office_borders(office, self.out / "look_merges.xls", "Merges", cells)
        self.assertEqual(ours, source)
        self.assertEqual(source["D3"][0], "thin")  # the merge's own top and left
        self.assertEqual(source["D3"][3], None)
        self.assertEqual(source["B1"], (None, None, None, None))
        # Excel 97 draws each edge of a merge from the cells along it; covered
        # cells without a style of their own take the first cell's.
        book = self.books["look_merges"]
        for row, col in ((2, 4), (3, 3)):
            border = self.xf_at(book, 0, row, col).border
            with self.subTest(row=row, col=col):
                self.assertEqual((border.top_line_style, border.left_line_style), (1, 1))
                self.assertEqual((border.bottom_line_style, border.right_line_style), (0, 0))

    def test_libreoffice_reads_the_fixtures_view_settings(self):
        """Guards the fixtures: LibreOffice applies their frozen panes, so the
        comparison with the source sees them."""
        from office_snapshot import Office
        with Office() as office:
            document = office._load(self.fixtures["look_sheet"])
            try:
                views = document.getViewData()
                self.assertTrue(views is not None and views.getCount() > 0)
                tables = {p.Name: p.Value for p in views.getByIndex(0)}["Tables"]
                layout = {p.Name: p.Value for p in tables.getByName("Layout")}
            finally:
                document.close(True)
        self.assertEqual((layout["HorizontalSplitMode"], layout["HorizontalSplitPosition"]), (2, 1))
        self.assertEqual((layout["VerticalSplitMode"], layout["VerticalSplitPosition"]), (2, 2))


def office_borders(office, path, sheet_name, cells):
    """{cell: (top, bottom, left, right)} as LibreOffice reads them: None, or
    the line's width class."""
    document = office._load(path)
    try:
        sheet = document.Sheets.getByName(sheet_name)
        result = {}
        for name in cells:
            cell = sheet.getCellRangeByName(name)
            sides = []
            for side in ("TopBorder", "BottomBorder", "LeftBorder", "RightBorder"):
                line = getattr(cell, side)
                width = max(line.LineWidth, line.OuterLineWidth + line.InnerLineWidth + line.LineDistance)
                sides.append(None if width == 0 else "hair" if width < 15 else "thin" if width < 45 else "thick")
            result[name] = tuple(sides)
        return result
    finally:
        document.close(True)


def row_heights_cm(ods, table_name, cap=100):
    """Row heights of a table of an .ods, in cm, one per row (repeats expanded up to `cap`)."""
    ns = {"style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
          "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0"}
    root = ET.fromstring(zipfile.ZipFile(ods).read("content.xml"))
    units = {"cm": 1, "mm": 0.1, "in": 2.54, "pt": 2.54 / 72}
    heights = {}
    for style in root.iter(f"{{{ns['style']}}}style"):
        props = style.find("style:table-row-properties", ns)
        height = props is not None and props.get(f"{{{ns['style']}}}row-height")
        if height:
            number, unit = re.fullmatch(r"([0-9.]+)([a-z]+)", height).groups()
            heights[style.get(f"{{{ns['style']}}}name")] = float(number) * units[unit]
    table = next(t for t in root.iter(f"{{{ns['table']}}}table") if t.get(f"{{{ns['table']}}}name") == table_name)
    rows = []
    for row in table.iter(f"{{{ns['table']}}}table-row"):
        repeat = min(int(row.get(f"{{{ns['table']}}}number-rows-repeated", "1")), cap)
        rows += [heights.get(row.get(f"{{{ns['table']}}}style-name"), 0.0)] * repeat
    return rows


if __name__ == "__main__":
    if not shutil.which("soffice"):
        print("LibreOffice (soffice) is not installed: look round-trip tests skipped")
        sys.exit(SKIPPED)
    if not os.environ.get("ROUNDTRIP_CONVERTER"):
        sys.exit("set ROUNDTRIP_CONVERTER to the converter's path")
    unittest.main(verbosity=2)
