#!/usr/bin/python3
"""Notes in several fonts survive the round trip: a LibreOffice-made sheet
whose notes have bold, italic, coloured, larger, underlined and struck-out
parts (spans, nested spans, a heading paragraph, characters beyond the BMP)
and plain notes beside them is converted. LibreOffice reads back each note
with the same text and the same text portions with the same properties as it
reads in the source; xlrd reads the authors, and its runs give every
character of each note the weight, colour and size the source gives it;
every reader of the validity check accepts the file.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import sys
import unittest
from pathlib import Path

import xlrd

sys.path.insert(0, str(Path(__file__).resolve().parent))
from roundtrip_case import convert, fresh_work_folder, main, saved_by_libreoffice, text_portions, utf16_units  # noqa: E402
from xls_validity import check_files, failures  # noqa: E402

TEXT_STYLES = {
    "T1": 'fo:font-weight="bold"',
    "T2": 'fo:color="#c00000"',
    "T3": 'fo:font-size="14pt"',
    "T4": 'fo:font-style="italic"',
    "T5": 'style:text-underline-style="solid" style:text-underline-width="auto" style:text-underline-color="font-color"',
    "T6": 'style:text-line-through-style="solid"',
    "T7": 'style:text-underline-style="solid" style:text-underline-type="double"',
    "T8": 'fo:color="#2e75b6" fo:font-weight="bold"',
}

# One note per row, on column A: (author, paragraphs' inner XML).
NOTES = [
    ("Ada", ['a <text:span text:style-name="T1">bold</text:span> word']),
    ("Bob", ['<text:span text:style-name="T2">red</text:span> and <text:span text:style-name="T3">big</text:span>']),
    ("Cy", ['<text:span text:style-name="T4">it</text:span> <text:span text:style-name="T5">under</text:span> '
            '<text:span text:style-name="T6">strike</text:span> <text:span text:style-name="T7">double</text:span>']),
    ("Di", ['<text:span text:style-name="T3">Heading</text:span>', 'body <text:span text:style-name="T8">blue bold</text:span>']),
    ("Ed", ['a<text:span text:style-name="T1">b<text:span text:style-name="T2">c</text:span>d</text:span>e']),
    ("Fay", ['&#x1D11E; clef <text:span text:style-name="T1">note</text:span> end']),
    ("Gus", ["a plain note", "of two lines"]),
    ("Hal", ['<text:span text:style-name="T1">all bold</text:span>']),
]


def flat_document():
    styles = "".join(f'<style:style style:name="{name}" style:family="text"><style:text-properties {props}/></style:style>'
                     for name, props in TEXT_STYLES.items())
    rows = ""
    for row, (author, paragraphs) in enumerate(NOTES):
        text = "".join(f"<text:p>{p}</text:p>" for p in paragraphs)
        rows += (f'<table:table-row><table:table-cell office:value-type="string"><office:annotation>'
                 f'<dc:creator>{author}</dc:creator><dc:date>2024-01-0{row + 1}T00:00:00</dc:date>{text}'
                 f'</office:annotation><text:p>cell {row + 1}</text:p></table:table-cell></table:table-row>')
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>{styles}</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Notes">{rows}</table:table></office:spreadsheet></office:body>
</office:document>
"""


def portion_look(p):
    return (p.CharWeight > 100, p.CharPosture.value != "NONE", p.CharUnderline, p.CharStrikeout != 0,
            round(p.CharHeight * 2) / 2, p.CharColor & 0xFFFFFF if p.CharColor != -1 else None)


def office_notes(office, path):
    """Per note of column A: (author, text, [(portion text, look), ...] per
    paragraph), as LibreOffice shows it."""
    document = office._load(path)
    try:
        sheet = document.Sheets.getByIndex(0)
        notes = []
        for row in range(len(NOTES)):
            annotation = sheet.getCellByPosition(0, row).getAnnotation()
            paragraphs = text_portions(annotation.getAnnotationShape().getText(), portion_look)
            notes.append((annotation.getAuthor(), annotation.getString(), paragraphs))
        return notes
    finally:
        document.close(True)


def xlrd_notes(path):
    """Per note of column A: its text and, per UTF-16 unit, (bold, italic,
    underline, struck, size, colour) from xlrd's runs."""
    book = xlrd.open_workbook(str(path), formatting_info=True)
    sheet = book.sheet_by_index(0)
    result = []
    for row in range(len(NOTES)):
        note = sheet.cell_note_map[(row, 0)]
        fonts = [None] * utf16_units(note.text)
        for start, font in note.rich_text_runlist:
            fonts[start:] = [font] * (len(fonts) - start)
        looks = []
        for index in fonts:
            f = book.font_list[index]
            color = book.colour_map.get(f.colour_index)
            looks.append((f.weight >= 600, bool(f.italic), f.underline_type, bool(f.struck_out), f.height / 20,
                          None if color is None else color[0] << 16 | color[1] << 8 | color[2]))
        result.append((note.author, note.text, looks))
    return result


class NoteTextRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = fresh_work_folder("note_text")
        _, cls.source = saved_by_libreoffice(cls.work, "notes", flat_document())
        (cls.work / "xls").mkdir()
        cls.result, cls.warnings = convert(cls.source, cls.work / "xls")
        from office_snapshot import Office
        with Office() as office:
            cls.before = office_notes(office, cls.source)
            cls.after = office_notes(office, cls.result)

    def test_the_source_has_the_parts_intended(self):
        # Guards the fixture: each property is somewhere in a part of its own.
        looks = {look for _, _, paragraphs in self.before for portions in paragraphs for _, look in portions}
        self.assertTrue(any(look[0] for look in looks), "bold")
        self.assertTrue(any(look[1] for look in looks), "italic")
        self.assertEqual({look[2] for look in looks}, {0, 1, 2}, "underlines")
        self.assertTrue(any(look[3] for look in looks), "strike-through")
        self.assertTrue({14} < {look[4] for look in looks}, "sizes")
        self.assertIn(0xc00000, {look[5] for look in looks})

    def test_libreoffice_reads_back_the_same_notes(self):
        for row in range(len(NOTES)):
            # LibreOffice does not take a note's author from a workbook of
            # this format; xlrd's test checks it.
            _, text, paragraphs = self.before[row]
            self.assertEqual(self.after[row][1], text, f"row {row + 1}")
            self.assertEqual(self.after[row][2], paragraphs, f"row {row + 1}")

    def test_xlrd_runs_give_each_character_its_font(self):
        notes = xlrd_notes(self.result)
        for row in range(len(NOTES)):
            author, text, paragraphs = self.before[row]
            expected = []
            for portions in paragraphs:
                if expected:
                    expected.append(None)  # the break between paragraphs
                for string, look in portions:
                    expected += [look] * utf16_units(string)
            got_author, got_text, looks = notes[row]
            self.assertEqual((got_author, got_text.replace("\r\n", "\n")), (author, text.replace("\r\n", "\n")))
            self.assertEqual(len(looks), len(expected), f"row {row + 1}")
            self.assertEqual([look for look, want in zip(looks, expected) if want is not None],
                             [want for want in expected if want is not None], f"row {row + 1}")

    def test_nothing_is_warned_about(self):
        self.assertEqual([line for line in self.warnings.splitlines() if " -> " not in line], [])

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


if __name__ == "__main__":
    main()
