#!/usr/bin/python3
"""Structural check of an Excel 97 workbook (.xls) by several independent readers.

Each reader gives a verdict: OK, WARN (readable, but something a strict
reader might dislike), FAIL, or SKIP (reader not installed).

    xls_validity.py FILE.xls... [--only olefile,biff,xlrd,poi,gnumeric,libreoffice]

exits 1 when any reader fails any file. As a module, check_files() returns the
verdicts; the slow readers (POI, LibreOffice) take whole batches at once so a
test pays for starting Java or soffice only once.
"""

import argparse
import hashlib
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

OK, WARN, FAIL, SKIP = "OK", "WARN", "FAIL", "SKIP"
READERS = ("olefile", "biff", "xlrd", "poi", "gnumeric", "libreoffice")

MAX_RECORD_DATA = 8224
MAX_ROWS, MAX_COLS = 65536, 256
FORBIDDEN_SHEET_CHARS = set('[]:*?/\\')
# Format indexes below this are built in; Excel needs no FORMAT record for them.
FIRST_CUSTOM_FORMAT = 164


@dataclass
class Verdict:
    reader: str
    status: str
    messages: list = field(default_factory=list)

    def __str__(self):
        text = f"{self.reader:12} {self.status}"
        if self.messages:
            text += ": " + "; ".join(self.messages[:8])
            if len(self.messages) > 8:
                text += f"; ... {len(self.messages) - 8} more"
        return text


def _verdict(reader, failures, warnings=()):
    if failures:
        return Verdict(reader, FAIL, list(failures) + list(warnings))
    if warnings:
        return Verdict(reader, WARN, list(warnings))
    return Verdict(reader, OK)


# --------------------------------------------------------------------------
# Compound file

def read_workbook_stream(path):
    """The Workbook stream, or raise ValueError saying why it cannot be had."""
    import olefile
    if not olefile.isOleFile(str(path)):
        raise ValueError("not a compound file (bad signature)")
    with olefile.OleFileIO(str(path), raise_defects=olefile.DEFECT_INCORRECT) as ole:
        if not ole.exists("Workbook"):
            names = ["/".join(e) for e in ole.listdir()]
            raise ValueError(f"no Workbook stream (streams: {names})")
        return ole.openstream("Workbook").read()


def check_olefile(path):
    import olefile
    failures, warnings = [], []
    try:
        with olefile.OleFileIO(str(path), raise_defects=olefile.DEFECT_INCORRECT) as ole:
            if not ole.exists("Workbook"):
                failures.append("no Workbook stream")
            else:
                declared = ole.get_size("Workbook")
                data = ole.openstream("Workbook").read()
                if len(data) != declared:
                    failures.append(f"Workbook stream reads {len(data)} of {declared} bytes")
            sector = ole.sector_size
            size = os.path.getsize(path)
            header = max(512, sector)
            if size < header or (size - header) % sector:
                failures.append(f"file size {size} is not header + whole {sector}-byte sectors")
            if ole.parsing_issues:
                warnings += [f"{kind.__name__}: {msg}" for kind, msg in ole.parsing_issues]
    except Exception as error:  # olefile raises plain IOError/OSError or its own
        failures.append(f"{type(error).__name__}: {error}")
    return _verdict("olefile", failures, warnings)


# --------------------------------------------------------------------------
# Own BIFF8 record walk

BOF, EOF, CONTINUE = 0x0809, 0x000A, 0x003C
BOUNDSHEET, SST, EXTSST, XF, FONT, FORMAT = 0x0085, 0x00FC, 0x00FF, 0x00E0, 0x0031, 0x041E
DIMENSIONS, ROW, MERGEDCELLS = 0x0200, 0x0208, 0x00E5
NUMBER, RK, LABEL, LABELSST, BLANK, BOOLERR, FORMULA, RSTRING = (
    0x0203, 0x027E, 0x0204, 0x00FD, 0x0201, 0x0205, 0x0006, 0x00D6)
MULRK, MULBLANK = 0x00BD, 0x00BE
SINGLE_CELL_RECORDS = {NUMBER, RK, LABEL, LABELSST, BLANK, BOOLERR, FORMULA, RSTRING}

BOF_GLOBALS, BOF_WORKSHEET, BOF_CHART, BOF_MACRO = 0x0005, 0x0010, 0x0020, 0x0040


def iter_records(stream):
    """(offset, type, data) of every record; raises ValueError on a record cut short."""
    pos = 0
    while pos + 4 <= len(stream):
        rtype, size = struct.unpack_from("<HH", stream, pos)
        if rtype == 0 and size == 0 and not any(stream[pos:]):
            return  # zero padding after the last EOF
        if pos + 4 + size > len(stream):
            raise ValueError(f"record 0x{rtype:04X} at {pos} runs past the end of the stream")
        yield pos, rtype, stream[pos + 4:pos + 4 + size]
        pos += 4 + size
    if pos != len(stream) and any(stream[pos:]):
        raise ValueError(f"{len(stream) - pos} stray bytes at the end of the stream")


class _SstReader:
    """Reads strings out of an SST record and its CONTINUE records, following
    the rule that character data resumes after a fresh option byte in each
    CONTINUE, while headers, formatting runs and phonetic data just go on."""

    def __init__(self, pieces):
        # (stream offset of the data, offset of the data inside its record
        # counted from the record header, data) of the SST and each CONTINUE
        self.pieces = pieces
        self.index = 0
        self.pos = 0

    def _piece(self):
        return self.pieces[self.index][2]

    def _next_piece(self):
        self.index += 1
        self.pos = 0
        if self.index >= len(self.pieces):
            raise ValueError("SST data ends inside a string")

    def at_end(self):
        return self.index == len(self.pieces) - 1 and self.pos >= len(self._piece())

    def location(self):
        """(stream offset, offset inside the record incl. its header) of the next byte."""
        if self.pos >= len(self._piece()) and self.index + 1 < len(self.pieces):
            start, in_record, _ = self.pieces[self.index + 1]
            return start, in_record
        start, in_record, _ = self.pieces[self.index]
        return start + self.pos, in_record + self.pos

    def header_bytes(self, count):
        """Bytes of a string header, which must not straddle two records."""
        if self.pos >= len(self._piece()):
            self._next_piece()
        piece = self._piece()
        if self.pos + count > len(piece):
            raise ValueError("a string header is split across a CONTINUE boundary")
        data = piece[self.pos:self.pos + count]
        self.pos += count
        return data

    def raw_bytes(self, count):
        out = bytearray()
        while count:
            if self.pos >= len(self._piece()):
                self._next_piece()
            take = min(count, len(self._piece()) - self.pos)
            out += self._piece()[self.pos:self.pos + take]
            self.pos += take
            count -= take
        return bytes(out)

    def characters(self, count, wide):
        out = []
        while count:
            if self.pos >= len(self._piece()):
                self._next_piece()
                option = self._piece()[0]
                if option & ~0x01:
                    raise ValueError(f"CONTINUE option byte 0x{option:02X} inside string data")
                wide = bool(option & 0x01)
                self.pos = 1
            width = 2 if wide else 1
            available = (len(self._piece()) - self.pos) // width
            if available == 0:
                raise ValueError("string data splits a UTF-16 character")
            take = min(count, available)
            chunk = self._piece()[self.pos:self.pos + take * width]
            out.append(chunk.decode("utf-16-le") if wide else chunk.decode("latin-1"))
            self.pos += take * width
            count -= take
        return "".join(out)

    def string(self):
        count, flags = struct.unpack("<HB", self.header_bytes(3))
        if flags & ~0x0D:
            raise ValueError(f"string option flags 0x{flags:02X} have reserved bits set")
        runs = struct.unpack("<H", self.header_bytes(2))[0] if flags & 0x08 else 0
        phonetic = struct.unpack("<I", self.header_bytes(4))[0] if flags & 0x04 else 0
        text = self.characters(count, bool(flags & 0x01))
        self.raw_bytes(4 * runs + phonetic)
        return text


def parse_sst(pieces):
    """(declared total, declared unique, strings, start location of every string)."""
    first = pieces[0][1]
    if len(first) < 8:
        raise ValueError("SST record shorter than its counts")
    total, unique = struct.unpack_from("<II", first)
    # After the SST's 4-byte header and its two counts; after a CONTINUE's header.
    reader = _SstReader([(pieces[0][0] + 12, 12, first[8:])]
                        + [(offset + 4, 4, data) for offset, data in pieces[1:]])
    strings, starts = [], []
    while len(strings) < unique:
        if reader.at_end():
            raise ValueError(f"SST declares {unique} strings but holds {len(strings)}")
        starts.append(reader.location())
        strings.append(reader.string())
    if not reader.at_end():
        raise ValueError(f"bytes left in the SST after its {unique} strings")
    return total, unique, strings, starts


def _sheet_name_problems(name):
    problems = []
    if not 1 <= len(name) <= 31:
        problems.append(f"sheet name {name!r} has {len(name)} characters (1 to 31 allowed)")
    bad = sorted(set(name) & FORBIDDEN_SHEET_CHARS)
    if bad:
        problems.append(f"sheet name {name!r} contains {''.join(bad)!r}")
    return problems


def _read_short_unicode(data, pos):
    count, flags = data[pos], data[pos + 1]
    raw = data[pos + 2:]
    if flags & 0x01:
        return raw[:2 * count].decode("utf-16-le")
    return raw[:count].decode("latin-1")


class _BiffWalk:
    def __init__(self, stream):
        self.stream = stream
        self.failures, self.warnings = [], []
        self.records = list(iter_records(stream))
        self.xf_count = 0
        self.xf_refs = []  # (xf index, font index, format index)
        self.font_count = 0
        self.formats = set()
        self.sst_unique = None
        self.sst_total = None
        self.sst_references = 0
        self.boundsheets = []  # (offset, visibility, type, name)
        self.bof_offsets = {}  # stream offset -> BOF substream type

    def fail(self, text):
        self.failures.append(text)

    def run(self):
        if not self.records or self.records[0][1] != BOF:
            self.fail("the stream does not start with a BOF record")
            return
        self._check_sizes_and_nesting()
        self._check_globals()
        self._check_boundsheets()
        self._check_sheets()
        if self.sst_unique is not None and self.sst_total is not None:
            if self.sst_total < self.sst_unique:
                # every string in the table must be referenced at least once
                self.fail(f"SST total {self.sst_total} is below its unique count {self.sst_unique}: "
                          "it holds strings no cell uses")
            elif self.sst_total != self.sst_references:
                self.warnings.append(
                    f"SST total {self.sst_total} differs from the {self.sst_references} LABELSST cells")

    def _check_sizes_and_nesting(self):
        depth = 0
        substreams = 0
        for offset, rtype, data in self.records:
            if len(data) > MAX_RECORD_DATA:
                self.fail(f"record 0x{rtype:04X} at {offset} holds {len(data)} bytes (> {MAX_RECORD_DATA})")
            if rtype == BOF:
                if len(data) < 16:
                    self.fail(f"BOF at {offset} is {len(data)} bytes, BIFF8 needs 16")
                    continue
                version, kind = struct.unpack_from("<HH", data)
                if version != 0x0600:
                    self.fail(f"BOF at {offset} has version 0x{version:04X}, not BIFF8 0x0600")
                if depth == 0:
                    substreams += 1
                    if substreams == 1 and kind != BOF_GLOBALS:
                        self.fail(f"first BOF is of type 0x{kind:04X}, not workbook globals")
                    if substreams > 1 and kind == BOF_GLOBALS:
                        self.fail(f"second workbook globals BOF at {offset}")
                    self.bof_offsets[offset] = kind
                depth += 1
            elif rtype == EOF:
                depth -= 1
                if depth < 0:
                    self.fail(f"EOF at {offset} without its BOF")
                    depth = 0
            elif depth == 0:
                self.fail(f"record 0x{rtype:04X} at {offset} lies outside any BOF/EOF pair")
        if depth:
            self.fail(f"{depth} BOF record(s) never closed by EOF")

    def _globals(self):
        for offset, rtype, data in self.records[1:]:
            if rtype in (BOF, EOF):
                return
            yield offset, rtype, data

    def _check_globals(self):
        sst_pieces = None
        extsst = None
        last_main = None  # the record a CONTINUE continues
        for offset, rtype, data in self._globals():
            if rtype == CONTINUE:
                if last_main == SST:
                    sst_pieces.append((offset, data))
                continue
            last_main = rtype
            if rtype == XF:
                self.xf_count += 1
                if len(data) < 20:
                    self.fail(f"XF record {self.xf_count - 1} is {len(data)} bytes, not 20")
                    continue
                font, fmt = struct.unpack_from("<HH", data)
                self.xf_refs.append((self.xf_count - 1, font, fmt))
            elif rtype == FONT:
                self.font_count += 1
            elif rtype == FORMAT:
                self.formats.add(struct.unpack_from("<H", data)[0])
            elif rtype == BOUNDSHEET:
                if len(data) < 8:
                    self.fail(f"BOUNDSHEET at {offset} is too short")
                    continue
                position, visibility, kind = struct.unpack_from("<IBB", data)
                try:
                    name = _read_short_unicode(data, 6)
                except UnicodeDecodeError:
                    self.fail(f"BOUNDSHEET at {offset}: undecodable name")
                    continue
                self.boundsheets.append((position, visibility, kind, name))
            elif rtype == SST:
                sst_pieces = [(offset, data)]
            elif rtype == EXTSST:
                extsst = data

        if self.xf_count < 16:
            self.fail(f"only {self.xf_count} XF records (Excel expects at least 16 style XFs and a cell XF)")
        # FONT index 4 does not exist: Excel skips it when counting.
        for xf, font, fmt in self.xf_refs:
            if font == 4 or font > self.font_count:
                self.fail(f"XF {xf} refers to font {font} (fonts: {self.font_count})")
            if fmt >= FIRST_CUSTOM_FORMAT and fmt not in self.formats:
                self.fail(f"XF {xf} refers to number format {fmt}, which no FORMAT record defines")

        if sst_pieces is not None:
            try:
                total, unique, strings, starts = parse_sst(sst_pieces)
                self.sst_total, self.sst_unique = total, unique
                if extsst is not None:
                    self._check_extsst(extsst, starts)
                else:
                    self.warnings.append("SST without EXTSST")
            except (ValueError, struct.error, UnicodeDecodeError) as error:
                self.fail(f"SST: {error}")

    def _check_extsst(self, data, starts):
        per_bucket = struct.unpack_from("<H", data)[0]
        if per_bucket == 0:
            self.fail("EXTSST with zero strings per bucket")
            return
        entries = (len(data) - 2) // 8
        expected = -(-len(starts) // per_bucket)
        if entries < expected:
            self.fail(f"EXTSST has {entries} buckets, the SST needs {expected}")
            return
        for bucket in range(expected):
            position, in_record = struct.unpack_from("<IH", data, 2 + 8 * bucket)
            want_position, want_in_record = starts[bucket * per_bucket]
            if (position, in_record) != (want_position, want_in_record):
                self.warnings.append(
                    f"EXTSST bucket {bucket} points at {position}+{in_record}, "
                    f"string starts at {want_position}+{want_in_record}")
                return

    def _check_boundsheets(self):
        if not self.boundsheets:
            self.fail("no BOUNDSHEET record: a workbook needs at least one sheet")
        seen = {}
        for position, visibility, kind, name in self.boundsheets:
            for problem in _sheet_name_problems(name):
                self.fail(problem)
            if name.startswith("'") or name.endswith("'"):
                self.warnings.append(f"sheet name {name!r} begins or ends with an apostrophe")
            folded = name.casefold()
            if folded in seen:
                self.fail(f"sheet names {seen[folded]!r} and {name!r} are equal regardless of case")
            seen[folded] = name
            if position not in self.bof_offsets:
                self.fail(f"sheet {name!r}: BOUNDSHEET offset {position} is not at a BOF record")
            if visibility > 2:
                self.fail(f"sheet {name!r}: visibility {visibility} out of range")
        if self.boundsheets and all(v != 0 for _, v, _, _ in self.boundsheets):
            self.fail("every sheet is hidden")
        listed = {p for p, _, _, _ in self.boundsheets}
        for offset in self.bof_offsets:
            if offset != self.records[0][0] and offset not in listed:
                self.fail(f"substream at {offset} has no BOUNDSHEET")

    def _check_sheets(self):
        names = {p: n for p, _, _, n in self.boundsheets}
        current, dims, depth = None, None, 0
        for offset, rtype, data in self.records:
            if rtype == BOF:
                depth += 1
                if depth == 1:
                    current = names.get(offset, f"substream at {offset}") if offset else None
                    dims = None
                continue
            if rtype == EOF:
                depth -= 1
                continue
            if current is None or depth != 1:
                continue
            try:
                self._check_sheet_record(current, rtype, data, dims)
                if rtype == DIMENSIONS:
                    dims = self._dimensions(current, data)
            except struct.error:
                self.fail(f"{current}: record 0x{rtype:04X} at {offset} is too short")

    def _dimensions(self, sheet, data):
        first_row, last_row, first_col, last_col = struct.unpack_from("<IIHH", data)
        if last_row > MAX_ROWS or last_col > MAX_COLS or first_row > last_row or first_col > last_col:
            self.fail(f"{sheet}: DIMENSIONS rows {first_row}..{last_row} cols {first_col}..{last_col}"
                      f" outside {MAX_ROWS}x{MAX_COLS}")
        return first_row, last_row, first_col, last_col

    def _cell(self, sheet, row, col, xf, dims):
        if col >= MAX_COLS:
            self.fail(f"{sheet}: cell in column {col} (>= {MAX_COLS})")
        if xf >= self.xf_count:
            self.fail(f"{sheet}: cell R{row + 1}C{col + 1} uses XF {xf} of {self.xf_count}")
        if dims is not None:
            first_row, last_row, first_col, last_col = dims
            if not (first_row <= row < last_row and first_col <= col < last_col):
                self.warnings.append(f"{sheet}: cell R{row + 1}C{col + 1} outside its DIMENSIONS")

    def _check_sheet_record(self, sheet, rtype, data, dims):
        if rtype in SINGLE_CELL_RECORDS:
            row, col, xf = struct.unpack_from("<HHH", data)
            self._cell(sheet, row, col, xf, dims)
            if rtype == LABELSST:
                index = struct.unpack_from("<I", data, 6)[0]
                self.sst_references += 1
                if self.sst_unique is None or index >= self.sst_unique:
                    self.fail(f"{sheet}: R{row + 1}C{col + 1} refers to string {index} "
                              f"of {self.sst_unique or 0}")
            elif rtype == BOOLERR:
                value, is_error = data[6], data[7]
                if is_error == 0 and value > 1:
                    self.fail(f"{sheet}: R{row + 1}C{col + 1} boolean value {value}")
                if is_error == 1 and value not in (0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A):
                    self.fail(f"{sheet}: R{row + 1}C{col + 1} unknown error code 0x{value:02X}")
        elif rtype in (MULRK, MULBLANK):
            width = 6 if rtype == MULRK else 2
            row, first = struct.unpack_from("<HH", data)
            count, rest = divmod(len(data) - 6, width)
            last = struct.unpack_from("<H", data, len(data) - 2)[0]
            if rest or count < 1 or last != first + count - 1:
                self.fail(f"{sheet}: MUL record on row {row + 1} has columns {first}..{last} "
                          f"but {count} cells")
                return
            for i in range(count):
                xf = struct.unpack_from("<H", data, 4 + width * i)[0]
                self._cell(sheet, row, first + i, xf, dims)
        elif rtype == ROW:
            row, first_col, last_col = struct.unpack_from("<HHH", data)
            if last_col > MAX_COLS or first_col > last_col:
                self.fail(f"{sheet}: ROW {row + 1} spans columns {first_col}..{last_col}")
        elif rtype == MERGEDCELLS:
            count = struct.unpack_from("<H", data)[0]
            if len(data) != 2 + 8 * count:
                self.fail(f"{sheet}: MERGEDCELLS of {len(data)} bytes for {count} ranges")
                return
            for i in range(count):
                r1, r2, c1, c2 = struct.unpack_from("<HHHH", data, 2 + 8 * i)
                if r1 > r2 or c1 > c2 or c2 >= MAX_COLS:
                    self.fail(f"{sheet}: merged range rows {r1}..{r2} cols {c1}..{c2} is malformed")


def check_biff(path):
    try:
        stream = read_workbook_stream(path)
    except Exception as error:
        return Verdict("biff", FAIL, [f"cannot read the Workbook stream: {error}"])
    try:
        walk = _BiffWalk(stream)
        walk.run()
    except ValueError as error:
        return Verdict("biff", FAIL, [str(error)])
    return _verdict("biff", walk.failures, walk.warnings)


# --------------------------------------------------------------------------
# xlrd

def check_xlrd(path):
    import xlrd
    log = io.StringIO()
    try:
        book = xlrd.open_workbook(str(path), formatting_info=True, on_demand=False, logfile=log)
        cells = 0
        for sheet in book.sheets():
            for row in range(sheet.nrows):
                for col in range(sheet.ncols):
                    cell = sheet.cell(row, col)
                    xf = book.xf_list[cell.xf_index]
                    book.format_map[xf.format_key]
                    book.font_list[xf.font_index]
                    cells += 1
    except Exception as error:
        return Verdict("xlrd", FAIL, [f"{type(error).__name__}: {error}"])
    warnings = [line.strip() for line in log.getvalue().splitlines()
                if line.strip() and "WARNING" in line.upper()]
    return _verdict("xlrd", [], warnings)


# --------------------------------------------------------------------------
# Apache POI (HSSF), compiled at first use

POI_SOURCE = r"""
import java.io.File;
import java.io.FileInputStream;
import org.apache.poi.hssf.usermodel.*;
import org.apache.poi.ss.usermodel.*;

/** Reads every cell, style and font of each workbook named on the command line. */
public class ReadEveryHssfCell {
    public static void main(String[] args) {
        int failed = 0;
        DataFormatter formatter = new DataFormatter();
        for (String name : args) {
            try (FileInputStream in = new FileInputStream(new File(name));
                 HSSFWorkbook book = new HSSFWorkbook(in)) {
                long cells = 0;
                StringBuilder unformatted = new StringBuilder();
                FormulaEvaluator evaluator = book.getCreationHelper().createFormulaEvaluator();
                for (int s = 0; s < book.getNumberOfSheets(); s++) {
                    HSSFSheet sheet = book.getSheetAt(s);
                    sheet.getNumMergedRegions();
                    for (Row row : sheet) {
                        for (Cell cell : row) {
                            CellStyle style = cell.getCellStyle();
                            style.getDataFormatString();
                            book.getFontAt(style.getFontIndexAsInt()).getFontName();
                            if (cell.getCellType() == CellType.FORMULA) cell.getCellFormula();
                            try {
                                formatter.formatCellValue(cell);
                            } catch (RuntimeException error) {
                                // POI's own formatter lacks some valid codes: not a defect of the file.
                                if (unformatted.length() < 300)
                                    unformatted.append(" ").append(sheet.getSheetName()).append("!")
                                        .append(cell.getAddress()).append(" '")
                                        .append(style.getDataFormatString()).append("': ").append(error);
                            }
                            cells++;
                        }
                    }
                }
                if (unformatted.length() > 0)
                    System.out.println("WARN\t" + name + "\tDataFormatter cannot show" + unformatted);
                else
                    System.out.println("OK\t" + name + "\t" + cells + " cells");
            } catch (Throwable error) {
                failed++;
                System.out.println("FAIL\t" + name + "\t" + error.toString().replace('\n', ' '));
            }
        }
        System.exit(failed == 0 ? 0 : 1);
    }
}
"""

POI_JARS = ("poi.jar", "commons-collections4.jar", "commons-math3.jar", "commons-codec.jar",
            "commons-logging.jar")


def _poi_classpath():
    folder = Path(os.environ.get("POI_JAVA_DIR", "/usr/share/java"))
    jars = [folder / jar for jar in POI_JARS]
    if not jars[0].exists():
        return None
    return ":".join(str(j) for j in jars if j.exists())


def _compile_poi_reader(cache_dir):
    # Keyed by the source, so an edited reader is never mistaken for the compiled one.
    cache = Path(cache_dir) / hashlib.sha1(POI_SOURCE.encode()).hexdigest()[:12]
    if (cache / "ReadEveryHssfCell.class").exists():
        return cache
    cache.mkdir(parents=True, exist_ok=True)
    (cache / "ReadEveryHssfCell.java").write_text(POI_SOURCE)
    subprocess.run(["javac", "-nowarn", "-cp", _poi_classpath(), "-d", str(cache),
                    str(cache / "ReadEveryHssfCell.java")], check=True, capture_output=True, timeout=300)
    return cache


def check_poi(paths, cache_dir=None, timeout=600):
    """Verdict per path, all files read by one Java process."""
    if not shutil.which("java") or not shutil.which("javac") or _poi_classpath() is None:
        return {p: Verdict("poi", SKIP, ["java or Apache POI not installed"]) for p in paths}
    cache_dir = cache_dir or Path(tempfile.gettempdir()) / f"xls_validity_poi_{os.getuid()}"
    try:
        classes = _compile_poi_reader(cache_dir)
    except subprocess.CalledProcessError as error:
        message = error.stderr.decode(errors="replace")[-400:]
        return {p: Verdict("poi", FAIL, [f"cannot compile the POI reader: {message}"]) for p in paths}
    result = subprocess.run(
        ["java", "-Xmx1g", "-cp", f"{classes}:{_poi_classpath()}", "ReadEveryHssfCell"]
        + [str(p) for p in paths], capture_output=True, text=True, timeout=timeout)
    verdicts = {p: Verdict("poi", FAIL, ["no answer from the POI reader: " + result.stderr[-300:]])
                for p in paths}
    by_name = {str(p): p for p in paths}
    for line in result.stdout.splitlines():
        parts = line.split("\t", 2)
        if len(parts) == 3 and parts[1] in by_name:
            status = {"OK": OK, "WARN": WARN}.get(parts[0], FAIL)
            verdicts[by_name[parts[1]]] = Verdict("poi", status, [] if status == OK else [parts[2]])
    return verdicts


# --------------------------------------------------------------------------
# Gnumeric

# Messages about Gnumeric's own set-up, not about the file.
# Gnumeric's notes about what it reads but does not follow: links into other
# files (it keeps the cached values) are not a defect of the file.
GNUMERIC_BENIGN = ("unknown widths for font", "external references not supported yet")


def check_gnumeric(path, timeout=120):
    if not shutil.which("ssconvert"):
        return Verdict("gnumeric", SKIP, ["ssconvert not installed"])
    with tempfile.TemporaryDirectory() as out:
        try:
            result = subprocess.run(["ssconvert", "-S", str(path), f"{out}/sheet%n.csv"],
                                    capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return Verdict("gnumeric", FAIL, [f"no result within {timeout} s"])
        lines = [line for line in result.stderr.splitlines() if line.strip()]
        errors = [line for line in lines if not any(text in line for text in GNUMERIC_BENIGN)]
        notes = [line for line in lines if line not in errors]
        if result.returncode != 0:
            return Verdict("gnumeric", FAIL, [f"exit status {result.returncode}"] + lines)
        if not os.listdir(out):
            return Verdict("gnumeric", FAIL, ["no sheet exported"] + lines)
        return _verdict("gnumeric", errors, notes)


# --------------------------------------------------------------------------
# LibreOffice

def soffice_command(profile_dir):
    """soffice with a profile of its own, so that it never hands the job to
    an office someone else has running."""
    return ["soffice", f"-env:UserInstallation=file://{Path(profile_dir).resolve()}",
            "--headless", "--norestore", "--nolockcheck"]


def check_libreoffice(paths, profile_dir=None, timeout=900):
    """Verdict per path: LibreOffice detects it as Excel 97 and exports it.

    The import filter is forced: a file LibreOffice's type detection does
    not take for MS Excel 97 would otherwise silently open as something else."""
    if not shutil.which("soffice"):
        return {p: Verdict("libreoffice", SKIP, ["soffice not installed"]) for p in paths}
    verdicts = {}
    with tempfile.TemporaryDirectory() as work:
        profile = profile_dir or Path(work) / "profile"
        # One conversion per distinct base name, as outputs are named after the input.
        batches = []
        for p in paths:
            for batch in batches:
                if Path(p).stem not in {Path(q).stem for q in batch}:
                    batch.append(p)
                    break
            else:
                batches.append([p])
        for number, batch in enumerate(batches):
            out = Path(work) / f"out{number}"
            out.mkdir()
            try:
                result = subprocess.run(
                    soffice_command(profile) + ["--infilter=MS Excel 97", "--convert-to", "csv",
                                                "--outdir", str(out)] + [str(p) for p in batch],
                    capture_output=True, text=True, timeout=timeout)
                log = (result.stdout + result.stderr).strip().splitlines()
                status = result.returncode
            except subprocess.TimeoutExpired:
                log, status = [f"no result within {timeout} s"], -1
            for p in batch:
                produced = out / (Path(p).stem + ".csv")
                errors = [line for line in log if str(Path(p).name) in line and "Error" in line]
                if status != 0:
                    verdicts[p] = Verdict("libreoffice", FAIL, [f"exit status {status}"] + log[-3:])
                elif not produced.exists() or errors:
                    verdicts[p] = Verdict("libreoffice", FAIL, ["could not open it"] + errors)
                else:
                    verdicts[p] = Verdict("libreoffice", OK)
    return verdicts


# --------------------------------------------------------------------------

def check_files(paths, readers=READERS, cache_dir=None):
    """{path: [Verdict, ...]} for every path, in the order of `readers`."""
    paths = [Path(p) for p in paths]
    results = {p: [] for p in paths}
    batch = {}
    if "poi" in readers:
        batch["poi"] = check_poi(paths, cache_dir and Path(cache_dir) / "poi")
    if "libreoffice" in readers:
        batch["libreoffice"] = check_libreoffice(
            paths, cache_dir and Path(cache_dir) / "lo_profile")
    single = {"olefile": check_olefile, "biff": check_biff, "xlrd": check_xlrd,
              "gnumeric": check_gnumeric}
    for p in paths:
        for reader in readers:
            results[p].append(batch[reader][p] if reader in batch else single[reader](p))
    return results


def failures(results):
    """Lines naming every failed reader, empty when all is well."""
    return [f"{path}: {verdict}" for path, verdicts in results.items()
            for verdict in verdicts if verdict.status == FAIL]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("files", nargs="+", type=Path)
    parser.add_argument("--only", default=",".join(READERS),
                        help="comma-separated readers (default: all)")
    args = parser.parse_args()
    readers = [r for r in args.only.split(",") if r]
    unknown = set(readers) - set(READERS)
    if unknown:
        parser.error(f"unknown reader(s): {', '.join(sorted(unknown))}")
    results = check_files(args.files, readers)
    for path, verdicts in results.items():
        print(path)
        for verdict in verdicts:
            print("  " + str(verdict))
    return 1 if failures(results) else 0


if __name__ == "__main__":
    sys.exit(main())
