"""Reads spreadsheets through a headless LibreOffice of our own (UNO over a pipe)
and returns what LibreOffice sees: per sheet its name, visibility and, per
non-empty cell, kind, value, display string and number format."""

import os
import subprocess
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

from xls_validity import soffice_command

# com.sun.star.util.NumberFormat flags
FORMAT_DATE, FORMAT_TIME, FORMAT_CURRENCY = 2, 4, 8
FORMAT_SCIENTIFIC, FORMAT_FRACTION, FORMAT_PERCENT = 32, 64, 128
FORMAT_TEXT, FORMAT_LOGICAL = 256, 1024
# com.sun.star.sheet.CellFlags
VALUE, DATETIME, STRING, FORMULA = 1, 2, 4, 16


@dataclass
class Cell:
    kind: str          # number, text, boolean, formula
    value: object      # float or str; a formula's result
    display: str
    format: str        # LibreOffice's format code
    format_type: int   # NumberFormat flags
    formula: str = ""  # as LibreOffice writes it, for formula cells


@dataclass
class Sheet:
    name: str
    visible: bool
    cells: dict = field(default_factory=dict)  # (row, col) -> Cell


class Office:
    """A LibreOffice process with a private profile, stopped on close()."""

    def __init__(self, timeout=60):
        import uno  # only the system Python has it
        self._uno = uno
        self._dir = tempfile.TemporaryDirectory(prefix="roundtrip_office_")
        pipe = f"roundtrip_{os.getpid()}_{int(time.time())}"
        self._process = subprocess.Popen(
            soffice_command(Path(self._dir.name) / "profile")
            + ["--invisible", "--nodefault", "--nofirststartwizard",
               f"--accept=pipe,name={pipe};urp;StarOffice.ComponentContext"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + timeout
        while True:
            try:
                context = resolver.resolve(
                    f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
                break
            except Exception:
                if time.monotonic() > deadline or self._process.poll() is not None:
                    self.close()
                    raise RuntimeError("LibreOffice did not start")
                time.sleep(0.3)
        self._desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)

    def close(self):
        try:
            if getattr(self, "_desktop", None) is not None:
                self._desktop.terminate()
        except Exception:
            pass  # the bridge drops as the office quits
        try:
            self._process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._dir.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _load(self, path):
        from com.sun.star.beans import PropertyValue
        props = []
        for name, value in (("Hidden", True), ("ReadOnly", True)):
            prop = PropertyValue()
            prop.Name, prop.Value = name, value
            props.append(prop)
        url = self._uno.systemPathToFileUrl(str(Path(path).resolve()))
        document = self._desktop.loadComponentFromURL(url, "_blank", 0, tuple(props))
        if document is None:
            raise RuntimeError(f"LibreOffice cannot open {path}")
        return document

    def snapshot(self, path, max_rows=65536, max_cols=256):
        """[Sheet] of the document, cells limited to the given grid."""
        document = self._load(path)
        try:
            return [self._sheet(document, sheet, max_rows, max_cols)
                    for sheet in (document.Sheets.getByIndex(i)
                                  for i in range(document.Sheets.Count))]
        finally:
            document.close(True)

    def merged_area(self, path, sheet_index, row, col):
        """(first row, first col, last row, last col) of the merge holding the cell."""
        document = self._load(path)
        try:
            sheet = document.Sheets.getByIndex(sheet_index)
            cursor = sheet.createCursorByRange(sheet.getCellByPosition(col, row))
            cursor.collapseToMergedArea()
            a = cursor.RangeAddress
            return a.StartRow, a.StartColumn, a.EndRow, a.EndColumn
        finally:
            document.close(True)

    def drawing_shapes(self, path):
        """Per sheet, the shapes of its draw page: (shape type, name, start
        cell (row, col) or None when on the page, picture size in pixels or None)."""
        document = self._load(path)
        try:
            result = []
            for i in range(document.Sheets.Count):
                page = document.Sheets.getByIndex(i).DrawPage
                shapes = []
                for k in range(page.Count):
                    shape = page.getByIndex(k)
                    anchor = shape.Anchor
                    start = None
                    if anchor is not None and hasattr(anchor, "CellAddress"):
                        start = (anchor.CellAddress.Row, anchor.CellAddress.Column)
                    pixels = None
                    if shape.getShapeType().endswith("GraphicObjectShape") and shape.Graphic is not None:
                        size = shape.Graphic.SizePixel
                        pixels = (size.Width, size.Height)
                    shapes.append((shape.getShapeType(), shape.Name, start, pixels))
                result.append(shapes)
            return result
        finally:
            document.close(True)

    def _sheet(self, document, sheet, max_rows, max_cols):
        result = Sheet(sheet.Name, bool(sheet.IsVisible))
        formats = document.NumberFormats
        known = {}

        def describe(key):
            if key not in known:
                fmt = formats.getByKey(key)
                known[key] = (fmt.FormatString, fmt.Type)
            return known[key]

        cursor = sheet.createCursor()
        cursor.gotoEndOfUsedArea(False)
        end = cursor.RangeAddress
        last_row = min(end.EndRow, max_rows - 1)
        last_col = min(end.EndColumn, max_cols - 1)
        area = sheet.getCellRangeByPosition(0, 0, last_col, last_row)
        kinds = (("number", VALUE | DATETIME), ("text", STRING), ("formula", FORMULA))
        for kind, flags in kinds:
            for block in area.queryContentCells(flags).RangeAddresses:
                data = sheet.getCellRangeByPosition(
                    block.StartColumn, block.StartRow, block.EndColumn, block.EndRow).getDataArray()
                for r, values in enumerate(data):
                    for c, value in enumerate(values):
                        row, col = block.StartRow + r, block.StartColumn + c
                        cell = sheet.getCellByPosition(col, row)
                        fmt, fmt_type = describe(cell.NumberFormat)
                        display = cell.String
                        cell_kind, formula = kind, ""
                        if kind == "formula":
                            formula = cell.Formula
                            # Excel's boolean cells come back as these formulas.
                            if formula.upper() in ("=TRUE()", "=FALSE()"):
                                cell_kind, value, formula = "boolean", formula.upper() == "=TRUE()", ""
                        elif kind == "number" and fmt_type & FORMAT_LOGICAL:
                            cell_kind, value = "boolean", bool(value)
                        result.cells[(row, col)] = Cell(cell_kind, value, display, fmt, fmt_type, formula)
        return result
