#!/usr/bin/python3
"""Text boxes and shapes in several fonts survive the round trip: a
LibreOffice-made sheet with a text box with bold, coloured, larger, italic
and underlined parts and a character beyond the BMP (its graphic style's
font, which LibreOffice does not apply to a text frame), a rectangle whose
graphic style gives its text a font, with a bold part, and a plain one in
the default graphic style, is converted. LibreOffice reads back each shape's
text with the same text portions in the same fonts as it reads in the
source; every reader of the validity check accepts the file.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from roundtrip_case import convert, fresh_work_folder, main, saved_by_libreoffice, text_portions  # noqa: E402
from xls_validity import check_files, failures  # noqa: E402

AUTOMATIC = """
<style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
<style:style style:name="T2" style:family="text"><style:text-properties fo:color="#c00000" fo:font-size="14pt"/></style:style>
<style:style style:name="T3" style:family="text"><style:text-properties style:text-underline-style="solid"
 style:text-underline-width="auto" style:text-underline-color="font-color"/></style:style>
<style:style style:name="P1" style:family="paragraph"><style:text-properties fo:font-style="italic"/></style:style>
<style:style style:name="gr1" style:family="graphic"><style:graphic-properties draw:stroke="none" draw:fill="none"/>
 <style:text-properties fo:font-family="'DejaVu Sans'" fo:font-size="11pt"/></style:style>
"""

SHAPES = """
<draw:frame draw:name="Box" draw:style-name="gr1" svg:x="0.1in" svg:y="0.1in" svg:width="2.5in" svg:height="0.8in">
 <draw:text-box><text:p>plain <text:span text:style-name="T1">bold</text:span> end</text:p>
 <text:p text:style-name="P1">&#x1D11E; italic <text:span text:style-name="T2">red big</text:span> <text:span text:style-name="T3">under</text:span></text:p>
 </draw:text-box></draw:frame>
"""

RECTANGLES = """
<draw:custom-shape draw:name="Rect" draw:style-name="gr1" svg:x="0.1in" svg:y="0.1in" svg:width="2.5in" svg:height="0.8in"><text:p>shape
 <text:span text:style-name="T1">bold</text:span></text:p><draw:enhanced-geometry draw:type="rectangle"/></draw:custom-shape>
<draw:custom-shape draw:name="Plain" svg:x="0.1in" svg:y="1in" svg:width="2.5in" svg:height="0.5in"><text:p>plain
 text</text:p><draw:enhanced-geometry draw:type="rectangle"/></draw:custom-shape>
"""


def flat_document():
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>{AUTOMATIC}</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Shapes">
<table:table-row><table:table-cell>{SHAPES}</table:table-cell></table:table-row>
<table:table-row table:number-rows-repeated="6"><table:table-cell/></table:table-row>
<table:table-row><table:table-cell>{RECTANGLES}</table:table-cell></table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
"""


def portion_look(p):
    return (p.CharFontName, p.CharWeight > 100, p.CharPosture.value != "NONE", p.CharUnderline,
            round(p.CharHeight * 2) / 2, p.CharColor & 0xFFFFFF if p.CharColor != -1 else None)


def office_shape_texts(office, path):
    """{shape name: [[(portion text, look), ...] per paragraph]} of the first
    sheet, as LibreOffice shows it."""
    document = office._load(path)
    try:
        page = document.Sheets.getByIndex(0).DrawPage
        shapes = {}
        for i in range(page.Count):
            shape = page.getByIndex(i)
            shapes[shape.Name] = text_portions(shape.getText(), portion_look)
        return shapes
    finally:
        document.close(True)


class ShapeTextRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = fresh_work_folder("shape_text")
        _, cls.source = saved_by_libreoffice(cls.work, "shapes", flat_document())
        (cls.work / "xls").mkdir()
        cls.result, cls.warnings = convert(cls.source, cls.work / "xls")
        from office_snapshot import Office
        with Office() as office:
            cls.before = office_shape_texts(office, cls.source)
            cls.after = office_shape_texts(office, cls.result)

    def test_the_source_has_the_parts_intended(self):
        # Guards the fixture: the box's own font, and each property in a part of its own.
        looks = [look for paragraphs in self.before.values() for portions in paragraphs for _, look in portions]
        self.assertEqual(set(self.before), {"Box", "Rect", "Plain"})
        self.assertIn("DejaVu Sans", {look[0] for look in looks})
        self.assertTrue(any(look[1] for look in looks), "bold")
        self.assertTrue(any(look[2] for look in looks), "italic")
        self.assertIn(1, {look[3] for look in looks}, "underline")
        self.assertIn(14, {look[4] for look in looks})
        self.assertIn(0xc00000, {look[5] for look in looks})

    def test_libreoffice_reads_back_the_same_portions(self):
        self.assertEqual(set(self.after), set(self.before))
        for name, paragraphs in self.before.items():
            self.assertEqual(self.after[name], paragraphs, name)

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


if __name__ == "__main__":
    main()
