#!/usr/bin/python3
"""Texts in several fonts survive the round trip: a LibreOffice-made sheet
whose cells have bold, coloured, larger, sub- and superscript, italic,
underlined, struck-out and other-face parts (spans, nested spans, paragraph
styles, characters beyond the BMP, spaces and line breaks inside spans) is
converted. LibreOffice reads back the same text portions with the same
properties as it reads in the source; xlrd's runs give every character the
font the source gives it; every reader of the validity check accepts the file.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import sys
import unittest
from pathlib import Path

import xlrd

sys.path.insert(0, str(Path(__file__).resolve().parent))
from roundtrip_case import convert, fresh_work_folder, main, saved_by_libreoffice, utf16_units  # noqa: E402
from xls_validity import check_files, failures  # noqa: E402

TEXT_STYLES = {
    "T1": 'fo:font-weight="bold"',
    "T2": 'fo:color="#c00000"',
    "T3": 'fo:font-size="16pt"',
    "T4": 'style:text-position="sub 58%"',
    "T5": 'style:text-position="super 58%"',
    "T6": 'fo:font-style="italic"',
    "T7": 'style:text-underline-style="solid" style:text-underline-width="auto" style:text-underline-color="font-color"',
    "T8": 'style:text-line-through-style="solid"',
    "T9": 'style:font-name="Liberation Serif"',
    "T10": 'style:text-underline-style="solid" style:text-underline-type="double"',
    "T11": 'fo:font-size="18pt"',
    "T12": 'fo:color="#2e75b6" fo:font-weight="bold"',
}

# One cell per row, column A.
CELLS = [
    'a <text:span text:style-name="T1">bold</text:span> word',
    '<text:span text:style-name="T2">red</text:span> part',
    '<text:span text:style-name="T3">Big</text:span> title',
    'H<text:span text:style-name="T4">2</text:span>O x<text:span text:style-name="T5">2</text:span>',
    '<text:span text:style-name="T6">it</text:span> <text:span text:style-name="T7">under</text:span> '
    '<text:span text:style-name="T8">strike</text:span> <text:span text:style-name="T9">serif</text:span>',
    'one <text:span text:style-name="T10">double</text:span> line',
    'a<text:span text:style-name="T1">b<text:span text:style-name="T2">c<text:span text:style-name="T11">d</text:span>'
    'e</text:span>f</text:span>g',
    '&#x1D11E; clef <text:span text:style-name="T1">note</text:span> end',
    'a<text:span text:style-name="T1"><text:s text:c="3"/>b<text:line-break/>c</text:span>d',
]
# Cells of their own make-up: (cell style or None, inner XML of the cell).
SPECIAL_CELLS = [
    ("ce1", '<text:p>cell <text:span text:style-name="T1">font</text:span> under</text:p>'),
    (None, '<text:p>all <text:span text:style-name="T12">blue bold</text:span></text:p>'),
    (None, '<text:p text:style-name="P1">Heading</text:p><text:p>body <text:span text:style-name="T6">text</text:span></text:p>'),
]
# LibreOffice leaves out what a paragraph style says of the font in a cell,
# and the text of spans inside spans inside spans; the document says them,
# and the conversion keeps them. Those rows are checked on their own, in the
# conversion of the flat document itself.
PARAGRAPH_ROW = len(CELLS) + 2
NESTED_ROW = 6


def flat_document():
    styles = "".join(f'<style:style style:name="{name}" style:family="text"><style:text-properties {props}/></style:style>'
                     for name, props in TEXT_STYLES.items())
    styles += ('<style:style style:name="P1" style:family="paragraph">'
               '<style:text-properties fo:font-size="14pt" fo:font-weight="bold"/></style:style>'
               '<style:style style:name="ce1" style:family="table-cell">'
               '<style:text-properties fo:font-size="12pt" fo:color="#0000ff"/></style:style>')
    rows = "".join(f'<table:table-row><table:table-cell office:value-type="string"><text:p>{cell}</text:p>'
                   '</table:table-cell></table:table-row>' for cell in CELLS)
    for style, inner in SPECIAL_CELLS:
        attribute = f' table:style-name="{style}"' if style else ""
        rows += (f'<table:table-row><table:table-cell{attribute} office:value-type="string">{inner}'
                 '</table:table-cell></table:table-row>')
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:font-face-decls><style:font-face style:name="Liberation Serif" svg:font-family="'Liberation Serif'"/></office:font-face-decls>
<office:automatic-styles>{styles}</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Runs">{rows}</table:table></office:spreadsheet></office:body>
</office:document>
"""


def look(bold, italic, underline, strike, script, size, color, name):
    """One character's font, as both readers can tell it."""
    return (bool(bold), bool(italic), underline, bool(strike), script, round(size * 2) / 2, color, name)


def office_looks(office, path, rows):
    """Per row, the look of each UTF-16 unit of cell A as LibreOffice shows
    it; None for the break between paragraphs."""
    document = office._load(path)
    try:
        sheet = document.Sheets.getByIndex(0)
        result = []
        for row in range(rows):
            units = []
            paragraphs = sheet.getCellByPosition(0, row).getText().createEnumeration()
            first = True
            while paragraphs.hasMoreElements():
                if not first:
                    units.append(None)
                first = False
                portions = paragraphs.nextElement().createEnumeration()
                while portions.hasMoreElements():
                    p = portions.nextElement()
                    escapement = p.CharEscapement
                    color = p.CharColor
                    units += [look(p.CharWeight > 100, p.CharPosture.value != "NONE", p.CharUnderline,
                                   p.CharStrikeout != 0, (escapement > 0) - (escapement < 0), p.CharHeight,
                                   None if color == -1 else ((color >> 16) & 255, (color >> 8) & 255, color & 255),
                                   p.CharFontName)] * utf16_units(p.getString())
            result.append(units)
        return result
    finally:
        document.close(True)


def xlrd_looks(path, rows):
    """Per row, the look of each UTF-16 unit of cell A from xlrd's runs."""
    book = xlrd.open_workbook(str(path), formatting_info=True)
    sheet = book.sheet_by_index(0)

    def font_look(index):
        f = book.font_list[index]
        color = book.colour_map.get(f.colour_index)
        script = {1: 1, 2: -1}.get(f.escapement, 0)
        return look(f.weight >= 600, f.italic, f.underline_type, f.struck_out, script, f.height / 20, color, f.name)

    result = []
    for row in range(rows):
        text = sheet.cell_value(row, 0)
        cell_font = book.xf_list[sheet.cell_xf_index(row, 0)].font_index
        fonts = [cell_font] * utf16_units(text)
        for start, font in sheet.rich_text_runlist_map.get((row, 0), []):
            fonts[start:] = [font] * (len(fonts) - start)
        result.append([font_look(f) for f in fonts])
    return result


class RichTextRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = fresh_work_folder("rich_text")
        flat, cls.source = saved_by_libreoffice(cls.work, "runs", flat_document())
        cls.flat_result, _ = convert(flat, cls.work)
        cls.rows = len(CELLS) + len(SPECIAL_CELLS) - 1  # compared with LibreOffice's view
        (cls.work / "xls").mkdir()
        cls.result, cls.warnings = convert(cls.source, cls.work / "xls")
        from office_snapshot import Office
        with Office() as office:
            cls.before = office_looks(office, cls.source, cls.rows)
            cls.after = office_looks(office, cls.result, cls.rows)

    def test_the_source_has_the_parts_intended(self):
        # Guards the fixture: each property is somewhere in a part of its own.
        looks = {unit for row in self.before for unit in row if unit}
        self.assertTrue(any(u[0] for u in looks), "bold")
        self.assertTrue(any(u[1] for u in looks), "italic")
        self.assertEqual({u[2] for u in looks}, {0, 1, 2}, "underlines")
        self.assertTrue(any(u[3] for u in looks), "strike-through")
        self.assertEqual({u[4] for u in looks}, {-1, 0, 1}, "scripts")
        self.assertTrue({10, 12, 16} <= {u[5] for u in looks}, f"sizes {sorted({u[5] for u in looks})}")
        self.assertIn((0xc0, 0, 0), {u[6] for u in looks})
        self.assertIn("Liberation Serif", {u[7] for u in looks})

    def test_libreoffice_reads_back_the_same_parts(self):
        for row in range(self.rows):
            self.assertEqual(self.after[row], self.before[row], f"row {row + 1}")

    def test_xlrd_runs_give_each_character_its_font(self):
        looks = xlrd_looks(self.result, self.rows)
        for row in range(self.rows):
            expected = self.before[row]
            self.assertEqual(len(looks[row]), len(expected), f"row {row + 1}")
            got = [look for look, want in zip(looks[row], expected) if want is not None]
            self.assertEqual(got, [want for want in expected if want is not None], f"row {row + 1}")

    def test_paragraph_styles_and_nested_spans_set_the_font(self):
        looks = xlrd_looks(self.flat_result, PARAGRAPH_ROW + 1)
        face = looks[0][0][7]  # the document's default face
        plain = look(False, False, 0, False, 0, 10, None, face)
        bold = look(True, False, 0, False, 0, 10, None, face)
        self.assertEqual(looks[PARAGRAPH_ROW],
                         [look(True, False, 0, False, 0, 14, None, face)] * len("Heading") + [plain] * len("\nbody ")
                         + [look(False, True, 0, False, 0, 10, None, face)] * len("text"))
        red_bold = look(True, False, 0, False, 0, 10, (0xc0, 0, 0), face)
        self.assertEqual(looks[NESTED_ROW], [plain, bold, red_bold, look(True, False, 0, False, 0, 18, (0xc0, 0, 0), face),
                                             red_bold, bold, plain])

    def test_nothing_is_warned_about(self):
        self.assertNotIn("font", self.warnings)

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


if __name__ == "__main__":
    main()
