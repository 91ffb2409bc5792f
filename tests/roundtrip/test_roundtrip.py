#!/usr/bin/python3
"""Round trip through the converter: spreadsheets made by LibreOffice are
converted to .xls, which must pass every structural check and hold what the
source held, cell by cell, as xlrd and as LibreOffice read it.

Environment:
    ROUNDTRIP_CONVERTER  path of brindlemoor-convert, or "libreoffice" to run the
                         same checks on LibreOffice's own export (checks the checks)
    ROUNDTRIP_WORK       folder for fixtures and results (kept between runs)

Exits 77 (skipped) when LibreOffice is not installed.
"""

import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path
from xml.etree import ElementTree

sys.path.insert(0, str(Path(__file__).resolve().parent))

import make_fixtures  # noqa: E402
import xls_validity  # noqa: E402
from office_snapshot import (FORMAT_CURRENCY, FORMAT_DATE, FORMAT_FRACTION,  # noqa: E402
                             FORMAT_LOGICAL, FORMAT_PERCENT, FORMAT_SCIENTIFIC, FORMAT_TEXT,
                             FORMAT_TIME, Office)

SKIPPED = 77
MAX_ROWS, MAX_COLS, MAX_TEXT = 65536, 256, 32767
TABLE = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"


def converter():
    return os.environ.get("ROUNDTRIP_CONVERTER", "")


def convert(inputs, outdir, extra=()):
    """Runs the converter on the inputs; (exit status, stdout, stderr)."""
    if converter() == "libreoffice":
        with tempfile.TemporaryDirectory() as profile:
            result = subprocess.run(
                xls_validity.soffice_command(profile)
                + ["--convert-to", "xls", "--outdir", str(outdir)] + [str(i) for i in inputs],
                capture_output=True, text=True, timeout=600)
        return result.returncode, result.stdout, ""
    result = subprocess.run([converter(), *map(str, inputs), "-o", str(outdir), *extra],
                            capture_output=True, text=True, timeout=600)
    return result.returncode, result.stdout, result.stderr


def legal_sheet_name(name):
    return 1 <= len(name) <= 31 and not set(name) & xls_validity.FORBIDDEN_SHEET_CHARS


def in_grid(position):
    return position[0] < MAX_ROWS and position[1] < MAX_COLS


def expected_text(value):
    return value[:MAX_TEXT]


def same_number(a, b):
    return math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-300)


def currency_symbol(format_code):
    match = re.search(r"\[\$([^\]-]+)", format_code)
    return match.group(1) if match else None


def merges_in_ods(path):
    """[(sheet index, first row, first col, last row, last col)] from content.xml."""
    with zipfile.ZipFile(path) as archive, archive.open("content.xml") as content:
        merges, sheet, row, col = [], -1, 0, 0
        for event, element in ElementTree.iterparse(content, events=("start", "end")):
            tag = element.tag
            if event == "start":
                if tag == TABLE + "table":
                    sheet, row = sheet + 1, 0
                elif tag == TABLE + "table-row":
                    col = 0
                elif tag in (TABLE + "table-cell", TABLE + "covered-table-cell"):
                    cols = int(element.get(TABLE + "number-columns-spanned", "1"))
                    rows = int(element.get(TABLE + "number-rows-spanned", "1"))
                    if tag == TABLE + "table-cell" and (cols > 1 or rows > 1):
                        merges.append((sheet, row, col, row + rows - 1, col + cols - 1))
            else:
                if tag in (TABLE + "table-cell", TABLE + "covered-table-cell"):
                    col += int(element.get(TABLE + "number-columns-repeated", "1"))
                elif tag == TABLE + "table-row":
                    row += int(element.get(TABLE + "number-rows-repeated", "1"))
                    element.clear()
    return merges


def compare_sheets(source, result):
    """Mismatches in sheet count, names, order and visibility."""
    problems = []
    if len(source) != len(result):
        return [f"{len(source)} sheets in the source, {len(result)} in the result"]
    for s, r in zip(source, result):
        if legal_sheet_name(s.name) and sum(o.name.casefold() == s.name.casefold() for o in source) == 1:
            if s.name != r.name:
                problems.append(f"sheet {s.name!r} is named {r.name!r}")
        elif not legal_sheet_name(r.name):
            problems.append(f"sheet {s.name!r} kept the name {r.name!r}, which Excel forbids")
        if s.visible != r.visible:
            problems.append(f"sheet {s.name!r}: visible {s.visible} became {r.visible}")
    return problems


def compare_with_xlrd(source, book):
    """What xlrd reads from the .xls against LibreOffice's reading of the source:
    kinds, values, and the kind of number format (date, time, percent, ...)."""
    import xlrd
    problems = []
    for index, sheet in enumerate(source):
        if index >= book.nsheets:
            break
        ours = book.sheet_by_index(index)
        for position in sorted(sheet.cells):
            if not in_grid(position):
                continue
            where = f"{sheet.name}!R{position[0] + 1}C{position[1] + 1}"
            want = sheet.cells[position]
            row, col = position
            if row >= ours.nrows or col >= ours.ncols:
                problems.append(f"{where}: missing, expected {want.value!r}")
                continue
            got = ours.cell(row, col)
            fmt = book.format_map[book.xf_list[got.xf_index].format_key].format_str
            kind, value = want.kind, want.value
            if kind == "formula":
                if isinstance(value, str):
                    kind = "text"
                elif want.format_type & FORMAT_LOGICAL:
                    kind, value = "boolean", bool(value)
                else:
                    kind = "number"
            if kind == "text":
                if got.ctype != xlrd.XL_CELL_TEXT:
                    problems.append(f"{where}: text {value[:60]!r} read as {got.ctype}:{got.value!r}")
                elif got.value != expected_text(value):
                    problems.append(f"{where}: text differs, {text_difference(expected_text(value), got.value)}")
                elif want.format_type & FORMAT_TEXT and fmt != "@":
                    problems.append(f"{where}: text format became {fmt!r}")
            elif kind == "boolean":
                if got.ctype != xlrd.XL_CELL_BOOLEAN or bool(got.value) != value:
                    problems.append(f"{where}: boolean {value} read as {got.ctype}:{got.value!r}")
            else:
                if got.ctype not in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE) \
                        or not same_number(got.value, value):
                    problems.append(f"{where}: number {value!r} read as {got.ctype}:{got.value!r}")
                    continue
                problems += format_kind_problems(where, want, got, fmt)
        for row in range(min(ours.nrows, MAX_ROWS)):
            for col in range(ours.ncols):
                if ours.cell_type(row, col) not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK) \
                        and (row, col) not in sheet.cells:
                    problems.append(f"{sheet.name}!R{row + 1}C{col + 1}: extra cell "
                                    f"{ours.cell_value(row, col)!r}")
    return problems


def format_kind_problems(where, want, got, fmt):
    import xlrd
    problems = []
    kind = want.format_type
    is_date = got.ctype == xlrd.XL_CELL_DATE
    if kind & (FORMAT_DATE | FORMAT_TIME):
        if not is_date:
            problems.append(f"{where}: {want.format!r} became {fmt!r}, not a date or time")
    elif is_date:
        problems.append(f"{where}: {want.format!r} became the date format {fmt!r}")
    checks = ((FORMAT_PERCENT, "%", "percent"), (FORMAT_SCIENTIFIC, "E", "scientific"),
              (FORMAT_FRACTION, "/", "fraction"), (FORMAT_TEXT, "@", "text"))
    for flag, mark, name in checks:
        if kind & flag and mark not in fmt.upper():
            problems.append(f"{where}: {name} format {want.format!r} became {fmt!r}")
    if kind & FORMAT_CURRENCY:
        symbol = currency_symbol(want.format)
        if symbol and symbol not in fmt:
            problems.append(f"{where}: currency {want.format!r} became {fmt!r}")
    return problems


def compare_display(source, result):
    """LibreOffice's reading of the .xls against its reading of the source:
    same kind, value and the same displayed string in every cell."""
    problems = []
    for s, r in zip(source, result):
        for position in sorted(set(s.cells) | set(r.cells)):
            if not in_grid(position):
                continue
            where = f"{s.name}!R{position[0] + 1}C{position[1] + 1}"
            want, got = s.cells.get(position), r.cells.get(position)
            if want is None:
                problems.append(f"{where}: extra cell {got.display!r}")
            elif got is None:
                problems.append(f"{where}: missing, expected {want.display!r}")
            elif want.kind == "text":
                if got.kind != "text":
                    problems.append(f"{where}: text {want.value[:60]!r} became {got.kind} {got.display!r}")
                elif got.value != expected_text(want.value):
                    problems.append(f"{where}: text differs, "
                                    f"{text_difference(expected_text(want.value), got.value)}")
            elif want.kind == "boolean":
                # LibreOffice reads an Excel boolean cell as =TRUE() or =FALSE() in
                # General format and shows 1 or 0, whoever wrote the file.
                if got.kind != "boolean" or got.value != want.value:
                    problems.append(f"{where}: boolean {want.value} read back as {got.kind} {got.display!r}")
            elif want.kind == "formula" and want.format_type & FORMAT_LOGICAL \
                    and got.kind == "formula" and got.display in ("0", "1"):
                # the same reading of a formula with a boolean result
                if (got.display == "1") != bool(want.value):
                    problems.append(f"{where}: {want.display!r} shown as {got.display!r}")
            elif want.display != got.display:
                problems.append(f"{where}: {want.display!r} ({want.format}) shown as "
                                f"{got.display!r} ({got.format})")
            elif want.kind == "number" and not (got.kind in ("number", "formula")
                                                and same_number(got.value, want.value)):
                problems.append(f"{where}: {want.value!r} read back as {got.value!r}")
    return problems


def text_difference(want, got):
    """Where two strings part, for a readable message about long texts."""
    at = next((i for i, (a, b) in enumerate(zip(want, got)) if a != b), min(len(want), len(got)))
    return (f"{len(want)} vs {len(got)} characters, first difference at {at}: "
            f"{want[max(0, at - 15):at + 15]!r} vs {got[max(0, at - 15):at + 15]!r}")


def compare_formulas(source, result):
    """Each source formula comes back as the same formula when LibreOffice
    reads the .xls (sheets renamed for Excel are allowed for by pairing)."""
    problems = []
    for s, r in zip(source, result):
        for position, want in sorted(s.cells.items()):
            if want.kind != "formula" or not in_grid(position):
                continue
            got = r.cells.get(position)
            where = f"{s.name}!R{position[0] + 1}C{position[1] + 1}"
            if got is None or got.kind != "formula":
                problems.append(f"{where}: formula {want.formula} became "
                                f"{got.kind + ' ' + repr(got.display) if got else 'nothing'}")
            elif got.formula != want.formula:
                problems.append(f"{where}: formula {want.formula} became {got.formula}")
    return problems


def report(problems, limit=25):
    text = "\n".join(problems[:limit])
    if len(problems) > limit:
        text += f"\n... and {len(problems) - limit} more"
    return text


class RoundTrip(unittest.TestCase):
    """Every fixture converted once; each test looks at the results from one side."""

    @classmethod
    def setUpClass(cls):
        work = Path(os.environ.get("ROUNDTRIP_WORK") or tempfile.mkdtemp(prefix="roundtrip_"))
        cls.work = work
        cls.sources = make_fixtures.make(work / "fixtures")
        cls.outdir = work / "results"
        shutil.rmtree(cls.outdir, ignore_errors=True)
        cls.outdir.mkdir(parents=True)
        cls.status, cls.stdout, cls.stderr = convert(cls.sources.values(), cls.outdir)
        cls.results = {name: cls.outdir / (source.stem + ".xls") for name, source in cls.sources.items()}
        produced = [p for p in cls.results.values() if p.exists()]
        cls.validity = xls_validity.check_files(produced, cache_dir=work / "validity")
        cls.office = Office()
        try:
            cls.source_view = {name: cls.office.snapshot(path) for name, path in cls.sources.items()}
            cls.result_view = {name: cls.office.snapshot(path) for name, path in cls.results.items()
                               if path.exists()}
        except Exception:
            cls.office.close()  # tearDownClass does not run when set-up fails
            raise

    @classmethod
    def tearDownClass(cls):
        cls.office.close()

    def check_each(self, check):
        """Runs check(name, path) on every result, each as a subtest."""
        for name, path in self.results.items():
            with self.subTest(fixture=name):
                if not path.exists():
                    self.fail(f"{name}: no result; converter said:\n{self.stderr}")
                check(name, path)

    def test_converter_succeeds_and_leaves_only_results(self):
        self.assertEqual(self.status, 0, self.stderr)
        left = sorted(p.name for p in self.outdir.iterdir())
        self.assertEqual(left, sorted(p.name for p in self.results.values()))

    def test_results_pass_every_structural_check(self):
        def check(name, path):
            self.assertEqual(xls_validity.failures({path: self.validity[path]}), [])
        self.check_each(check)

    def test_sheets_names_order_and_visibility(self):
        def check(name, path):
            problems = compare_sheets(self.source_view[name], self.result_view[name])
            self.assertFalse(problems, report(problems))
        self.check_each(check)

    def test_xlrd_reads_source_values_and_format_kinds(self):
        import xlrd
        def check(name, path):
            book = xlrd.open_workbook(str(path), formatting_info=True)
            problems = compare_with_xlrd(self.source_view[name], book)
            self.assertFalse(problems, report(problems))
        self.check_each(check)

    def test_libreoffice_shows_what_the_source_showed(self):
        def check(name, path):
            problems = compare_display(self.source_view[name], self.result_view[name])
            self.assertFalse(problems, report(problems))
        self.check_each(check)

    def test_formulas_stay_formulas(self):
        def check(name, path):
            problems = compare_formulas(self.source_view[name], self.result_view[name])
            self.assertFalse(problems, report(problems))
        self.check_each(check)

    def test_merged_ranges_survive(self):
        import xlrd
        def check(name, path):
            book = xlrd.open_workbook(str(path), formatting_info=True)
            for sheet, r1, c1, r2, c2 in merges_in_ods(self.sources[name]):
                merged = book.sheet_by_index(sheet).merged_cells
                self.assertIn((r1, r2 + 1, c1, c2 + 1), merged, f"xlrd: sheet {sheet}")
                self.assertEqual(self.office.merged_area(path, sheet, r1, c1), (r1, c1, r2, c2))
        self.check_each(check)

    def test_only_cut_or_renamed_content_is_warned_about(self):
        if converter() == "libreoffice":
            self.skipTest("LibreOffice gives no warnings")
        warned = {name for name, source in self.sources.items()
                  if f"warning: {source}" in self.stderr}
        self.assertEqual(warned, {"limits"}, self.stderr)
        limits = [line for line in self.stderr.splitlines()
                  if line.startswith(f"warning: {self.sources['limits']}")]
        names = [sheet.name for sheet in self.source_view["limits"]]
        renamed = sum(1 for name in names if not legal_sheet_name(name)
                      or sum(other.casefold() == name.casefold() for other in names) > 1)
        # the renamed sheets, cut rows, cut columns, a cut string
        self.assertGreaterEqual(len(limits), renamed + 3, "\n".join(limits))


class BadInput(unittest.TestCase):
    """Each broken input fails with a message naming it, leaves nothing behind,
    and does not stop the rest of the batch."""

    def setUp(self):
        if converter() == "libreoffice":
            self.skipTest("only for our converter")
        self.dir = Path(tempfile.mkdtemp(prefix="roundtrip_bad_"))
        self.addCleanup(shutil.rmtree, self.dir)
        good = make_fixtures.make(Path(os.environ.get("ROUNDTRIP_WORK") or self.dir) / "fixtures")

        self.good = self.dir / "good.ods"
        shutil.copy(good["values"], self.good)
        data = self.good.read_bytes()
        self.bad = {
            "missing": self.dir / "missing.ods",
            "folder": self.dir / "folder.ods",
            "not a zip": self.dir / "notes.ods",
            "truncated": self.dir / "truncated.ods",
            "text document": self.dir / "letter.ods",
            "malformed xml": self.dir / "malformed.ods",
            "no content": self.dir / "hollow.ods",
        }
        self.bad["folder"].mkdir()
        self.bad["not a zip"].write_text("name,value\nnot,a spreadsheet\n")
        self.bad["truncated"].write_bytes(data[:len(data) // 2])
        write_package(self.bad["text document"], "application/vnd.oasis.opendocument.text",
                      '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:'
                      'xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0">'
                      '<office:body><office:text><text:p>Dear reader</text:p></office:text>'
                      '</office:body></office:document-content>')
        with zipfile.ZipFile(self.good) as archive:
            content = archive.read("content.xml").decode("utf-8")
        write_package(self.bad["malformed xml"], "application/vnd.oasis.opendocument.spreadsheet",
                      content[:len(content) // 2] + "<unclosed attr='x>")
        write_package(self.bad["no content"], "application/vnd.oasis.opendocument.spreadsheet", None)

    def test_each_bad_file_fails_alone_and_clearly(self):
        out = self.dir / "out"
        out.mkdir()
        inputs = [self.good] + list(self.bad.values())
        status, stdout, stderr = convert(inputs, out)
        self.assertEqual(status, 1, stderr)
        self.assertEqual(sorted(p.name for p in out.iterdir()), ["good.xls"], stderr)
        for what, path in self.bad.items():
            with self.subTest(input=what):
                lines = [line for line in stderr.splitlines() if line.startswith(f"error: {path}:")]
                self.assertEqual(len(lines), 1, stderr)
                self.assertGreater(len(lines[0]) - len(f"error: {path}:"), 5, "no cause given")
        self.assertFalse([line for line in stderr.splitlines()
                          if line and not line.startswith("error: ")], stderr)

    def test_unwritable_output_folder_is_an_error(self):
        blocker = self.dir / "a file"
        blocker.write_text("not a folder")
        status, stdout, stderr = convert([self.good], blocker / "out")
        self.assertNotEqual(status, 0)
        self.assertIn(str(self.good), stderr)
        self.assertFalse((blocker / "out").exists())

    def test_result_is_written_beside_the_input_by_default(self):
        status = subprocess.run([converter(), str(self.good), "--quiet"], capture_output=True,
                                text=True, timeout=120)
        self.assertEqual(status.returncode, 0, status.stderr)
        self.assertEqual(status.stdout, "")
        self.assertTrue((self.dir / "good.xls").exists())
        self.assertEqual(xls_validity.failures(xls_validity.check_files(
            [self.dir / "good.xls"], readers=("olefile", "biff", "xlrd"))), [])


class UnreadableValues(unittest.TestCase):
    """Typed cells whose value is missing or does not parse ("INVALID_DATE"):
    LibreOffice reads them as 0 in the cell's format; the .xls must show the
    same, and the warnings must name the cells."""

    CONTENT = (
        '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
        'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
        '<office:automatic-styles><style:style style:name="ce1" style:family="table-cell" '
        'style:data-style-name="N0"/></office:automatic-styles>'
        '<office:body><office:spreadsheet><table:table table:name="Odd"><table:table-row>'
        '<table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="INVALID_DATE">'
        '<text:p>INVALID DATE</text:p></table:table-cell>'
        '<table:table-cell table:style-name="ce1" office:value-type="time" office:time-value="INVALID_TIME">'
        '<text:p>INVALID TIME</text:p></table:table-cell>'
        '<table:table-cell office:value-type="float" office:value="abc"><text:p>abc</text:p></table:table-cell>'
        '<table:table-cell table:style-name="ce1" office:value-type="currency"><text:p>$5</text:p></table:table-cell>'
        '<table:table-cell office:value-type="float" office:value="2.5"><text:p>2.5</text:p></table:table-cell>'
        '</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>')

    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(prefix="roundtrip_values_"))
        self.addCleanup(shutil.rmtree, self.dir)
        self.source = self.dir / "odd.ods"
        # Made here, not by LibreOffice, which would store the values it reads.
        with zipfile.ZipFile(self.source, "w", zipfile.ZIP_DEFLATED) as archive:
            archive.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
            archive.writestr("META-INF/manifest.xml",
                             '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:'
                             'manifest:1.0"><manifest:file-entry manifest:full-path="/" manifest:media-type='
                             '"application/vnd.oasis.opendocument.spreadsheet"/><manifest:file-entry '
                             'manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                             '</manifest:manifest>')
            archive.writestr("content.xml", self.CONTENT)
        (self.dir / "out").mkdir()
        self.status, _, self.stderr = convert([self.source], self.dir / "out")
        self.result = self.dir / "out" / "odd.xls"

    def test_read_as_zero_in_their_format_and_named(self):
        self.assertEqual(self.status, 0, self.stderr)
        import xlrd
        book = xlrd.open_workbook(str(self.result), formatting_info=True)
        sheet = book.sheet_by_index(0)
        self.assertEqual([sheet.cell_value(0, c) for c in range(5)], [0, 0, 0, 0, 2.5])
        self.assertEqual([sheet.cell_type(0, c) for c in range(2)], [xlrd.XL_CELL_DATE] * 2)
        with Office() as office:
            source, result = office.snapshot(self.source), office.snapshot(self.result)
        self.assertEqual([c.display for _, c in sorted(source[0].cells.items())][:2],
                         ["12/30/99 12:00 AM", "12:00:00 AM"], "how LibreOffice reads the source")
        problems = compare_display(source, result)
        self.assertFalse(problems, report(problems))
        if converter() != "libreoffice":
            warned = [line for line in self.stderr.splitlines() if line.startswith(f"warning: {self.source}")]
            self.assertEqual(len(warned), 1, self.stderr)
            for named in ('A1 (the date "INVALID_DATE" is not a date)', 'B1 (the time "INVALID_TIME"',
                          'C1 (the number "abc"', 'D1 (the currency cell "$5" holds no value)'):
                self.assertIn(named, warned[0])


def write_package(path, mimetype, content):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr(zipfile.ZipInfo("mimetype"), mimetype)
        archive.writestr("META-INF/manifest.xml",
                         '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:'
                         f'manifest:1.0"><manifest:file-entry manifest:full-path="/" '
                         f'manifest:media-type="{mimetype}"/></manifest:manifest>')
        if content is not None:
            archive.writestr("content.xml", content)


if __name__ == "__main__":
    if not shutil.which("soffice"):
        print("LibreOffice (soffice) is not installed: round-trip tests skipped")
        sys.exit(SKIPPED)
    if not converter():
        sys.exit("set ROUNDTRIP_CONVERTER to the converter's path (or to 'libreoffice')")
    unittest.main(verbosity=2)
