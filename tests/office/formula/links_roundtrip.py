#!/usr/bin/python3
"""Names, links and print ranges through the converter and back.

A LibreOffice-made workbook with names defined relative to a base cell, cells
that link into another file (whose values the document keeps a copy of), and
print ranges with repeated rows and columns is converted to .xls; LibreOffice
opens source and result and recalculates both: every formula shows the same
text and gives the same result, and the print setup reads back the same.
xlrd must see the built-in print names with their sheet scope.

Environment: FORMULA_CONVERTER (path of brindlemoor-convert), FORMULA_WORK
(folder for the files, kept for inspection). Exits 77 when LibreOffice or its
Python bridge is missing.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path
from xml.sax.saxutils import quoteattr

sys.path.insert(0, str(Path(__file__).resolve().parent))
from formula_roundtrip import (  # noqa: E402
    Office, formula_cell, main, number_cell, same_result, soffice, text_cell)

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
"""
TAIL = "</office:spreadsheet></office:body></office:document>\n"

# The linked file: sheet "Prices" with a name column and a price column.
PRICES = [("tea", 3.5), ("coffee", 4.25), ("cocoa", 2.0), ("juice", 5.75)]


def row(*cells):
    return "<table:table-row>" + "".join(cells) + "</table:table-row>"


def prices_fods():
    rows = "".join(row(text_cell(name), number_cell(price)) for name, price in PRICES)
    return HEAD + f'<table:table table:name="Prices">{rows}</table:table>' + TAIL


def source_fods(prices_url):
    link = f"'{prices_url}'#$Prices"
    data = "".join(row(number_cell(n), number_cell(n * 10), number_cell(n * 100)) for n in range(1, 9))
    # Columns A:C of "Uses" use names whose references count from their base
    # cell, each pointing at its own row of "Data" (or the row below it).
    # Offsets stay right of and below the base: LibreOffice, with its larger
    # grid, does not wrap negative offsets around Excel's 256 columns.
    uses = "".join(row(formula_cell("SameCell*2+NextColumn"), formula_cell("SUM(RowTotal)"),
                       formula_cell("Doubled"))
                   for _ in range(8))
    links = "".join([
        row(formula_cell(f"[{link}.B1]")),
        row(formula_cell(f"SUM([{link}.B1:.B4])")),
        row(formula_cell(f"VLOOKUP(\"cocoa\";[{link}.$A$1:.$B$4];2;0)")),
        row(formula_cell(f"[{link}.A2]&\"!\"")),
        row(formula_cell(f"[{link}.B2]+[$Data.A1]")),
    ])
    cache = "".join(row(text_cell(name), number_cell(price)) for name, price in PRICES)
    return HEAD + f"""
<table:table table:name="Data" table:print-ranges="Data.A1:Data.C8 Data.E2:Data.F3">
 <table:table-header-columns><table:table-column/></table:table-header-columns>
 <table:table-column table:number-columns-repeated="5"/>
 <table:table-header-rows>{data.split('</table:table-row>')[0]}</table:table-row></table:table-header-rows>
 {'</table:table-row>'.join(data.split('</table:table-row>')[1:])}
</table:table>
<table:table table:name="Uses">{row("<table:table-cell/>")}{uses}</table:table>
<table:table table:name="Links" table:print-ranges="Links.A1:Links.A5">
 <table:table-header-rows>{row(text_cell('linked'))}</table:table-header-rows>{links}
</table:table>
<table:table table:name={quoteattr(link[:-len('#$Prices')] + '#Prices')}>
 <table:table-source xlink:href={quoteattr(prices_url)} table:table-name="Prices" table:mode="copy-results-only"/>
 {cache}
</table:table>
<table:named-expressions>
 <table:named-range table:name="SameCell" table:base-cell-address="$Uses.$A$2" table:cell-range-address="$Data.A2"/>
 <table:named-range table:name="NextColumn" table:base-cell-address="$Uses.$A$2" table:cell-range-address="$Data.B2"/>
 <table:named-range table:name="RowTotal" table:base-cell-address="$Uses.$B$2" table:cell-range-address="$Data.$A2:.$C2"/>
 <table:named-expression table:name="Doubled" table:base-cell-address="$Uses.$C$1" table:expression="of:=[$Data.C2]*2+1"/>
</table:named-expressions>
""" + TAIL


class NamesLinksAndPrintRanges(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        work = Path(os.environ.get("FORMULA_WORK") or tempfile.mkdtemp(prefix="links_roundtrip_")) / "links"
        if work.exists():
            shutil.rmtree(work)
        work.mkdir(parents=True)
        (work / "prices.fods").write_text(prices_fods(), encoding="utf-8")
        prices_url = (work / "prices.ods").resolve().as_uri()
        (work / "links.fods").write_text(source_fods(prices_url), encoding="utf-8")
        subprocess.run(soffice(work / "convert_profile") + ["--convert-to", "ods", "--outdir", str(work),
                                                             str(work / "prices.fods"), str(work / "links.fods")],
                       check=True, capture_output=True, timeout=300)
        cls.source, cls.result = work / "links.ods", work / "links.xls"
        converted = subprocess.run([os.environ["FORMULA_CONVERTER"], str(cls.source), "-o", str(work)],
                                   capture_output=True, text=True, timeout=300)
        cls.converter_status, cls.converter_errors = converted.returncode, converted.stderr
        office = Office(work)
        try:
            cls.before, cls.before_print = office.formulas(cls.source), print_setup(office, cls.source)
            cls.after, cls.after_print = {}, {}
            if cls.result.exists():
                cls.after, cls.after_print = office.formulas(cls.result), print_setup(office, cls.result)
        finally:
            office.close()

    def test_converts_without_warnings(self):
        self.assertEqual(self.converter_status, 0, self.converter_errors)
        self.assertEqual(self.converter_errors.strip(), "")

    def test_formulas_keep_their_text_and_result(self):
        self.assertEqual(len(self.before), 8 * 3 + 5, "the source lost formulas")
        mismatches = []
        for place, (formula, result) in sorted(self.before.items()):
            got = self.after.get(place)
            if got is None:
                mismatches.append(f"{place}: {formula} is missing")
            elif got[0] != formula:
                mismatches.append(f"{place}: text {formula!r} became {got[0]!r}")
            elif not same_result(result, got[1]):
                mismatches.append(f"{place}: {formula} gave {result}, now {got[1]}")
        self.assertEqual(mismatches, [], "\n".join(mismatches))

    def test_names_give_each_using_cell_its_own_result(self):
        # Guards the test itself: relative names must give different results per row.
        results = {self.before[("Uses", r, 0)][1] for r in range(1, 9)}
        self.assertEqual(len(results), 8)

    def test_print_ranges_and_titles_read_back(self):
        self.assertEqual(self.before_print["Data"], (["A1:C8", "E2:F3"], "1:1", "A:A"))
        self.assertEqual(self.after_print, self.before_print)

    def test_xlrd_sees_the_built_in_names_of_each_sheet(self):
        import xlrd
        book = xlrd.open_workbook(str(self.result))
        found = {(n.name, n.scope): n.area2d() if n.name == "Print_Area" and n.scope == 2 else None
                 for n in book.name_obj_list if n.builtin}
        self.assertEqual(set(found), {("Print_Area", 0), ("Print_Titles", 0), ("Print_Area", 2), ("Print_Titles", 2)})
        sheet, first_row, last_row, first_col, last_col = found[("Print_Area", 2)]
        self.assertEqual((sheet.name, first_row, last_row, first_col, last_col), ("Links", 0, 5, 0, 1))


def print_setup(office, path):
    """{sheet: ([print areas], title rows, title columns)} as LibreOffice reads them."""
    from com.sun.star.beans import PropertyValue
    hidden = PropertyValue()
    hidden.Name, hidden.Value = "Hidden", True
    document = office.desktop.loadComponentFromURL(office.uno.systemPathToFileUrl(str(Path(path).resolve())),
                                                   "_blank", 0, (hidden,))
    try:
        def columns(a, b):
            return f"{letters(a)}:{letters(b)}"

        found = {}
        for s in range(document.Sheets.Count):
            sheet = document.Sheets.getByIndex(s)
            areas = [f"{letters(a.StartColumn)}{a.StartRow + 1}:{letters(a.EndColumn)}{a.EndRow + 1}"
                     for a in sheet.getPrintAreas()]
            rows = sheet.getTitleRows() if sheet.getPrintTitleRows() else None
            cols = sheet.getTitleColumns() if sheet.getPrintTitleColumns() else None
            found[sheet.Name] = (areas, f"{rows.StartRow + 1}:{rows.EndRow + 1}" if rows else None,
                                 columns(cols.StartColumn, cols.EndColumn) if cols else None)
        return found
    finally:
        document.close(True)


def letters(column):
    text = ""
    column += 1
    while column:
        column, rest = divmod(column - 1, 26)
        text = chr(ord("A") + rest) + text
    return text


if __name__ == "__main__":
    main()
