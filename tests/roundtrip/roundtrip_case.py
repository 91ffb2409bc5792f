"""What the round trips of one made-up sheet share: their work folder, the
call of the converter, and running only where LibreOffice is installed."""

import os
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

SKIPPED = 77


def fresh_work_folder(name):
    """ROUNDTRIP_WORK/name, emptied."""
    folder = Path(os.environ.get("ROUNDTRIP_WORK", "/tmp/brindlemoor_roundtrip")) / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def convert(source, out):
    """Converts source into the folder out; returns the result's path and
    the converter's warnings. A failed conversion fails the test."""
    result = subprocess.run([os.environ["ROUNDTRIP_CONVERTER"], str(source), "-o", str(out)],
                            capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        raise AssertionError(f"converter failed: {result.stdout}{result.stderr}")
    return Path(out) / (Path(source).stem + ".xls"), result.stdout + result.stderr


def saved_by_libreoffice(work, name, flat_text):
    """Writes flat_text as work/name.fods and has LibreOffice save it as
    work/name.ods, so that the source is as LibreOffice writes it; returns
    the two paths."""
    from xls_validity import soffice_command
    flat = Path(work) / f"{name}.fods"
    flat.write_text(flat_text, encoding="utf-8")
    subprocess.run(soffice_command(Path(work) / "profile") + ["--convert-to", "ods", "--outdir", str(work), str(flat)],
                   check=True, capture_output=True, timeout=300)
    return flat, Path(work) / f"{name}.ods"


def utf16_units(text):
    """Length of text in UTF-16 units, as the workbook counts characters."""
    return len(text.encode("utf-16-le")) // 2


def text_portions(text, look):
    """[[(portion text, look), ...] per paragraph] of a text as LibreOffice
    shows it, look(portion) giving what is compared of each portion;
    neighbours of one look are one portion, however the office splits them."""
    paragraphs = []
    enumeration = text.createEnumeration()
    while enumeration.hasMoreElements():
        portions = []
        inner = enumeration.nextElement().createEnumeration()
        while inner.hasMoreElements():
            portion = inner.nextElement()
            if not portion.getString():
                continue
            seen = look(portion)
            if portions and portions[-1][1] == seen:
                portions[-1] = (portions[-1][0] + portion.getString(), seen)
            else:
                portions.append((portion.getString(), seen))
        paragraphs.append(portions)
    return paragraphs


def main():
    """Runs the module's tests; exits 77 (skipped) without LibreOffice."""
    if shutil.which("soffice") is None:
        print("LibreOffice is not installed")
        sys.exit(SKIPPED)
    unittest.main()
