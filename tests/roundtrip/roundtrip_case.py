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


def main():
    """Runs the module's tests; exits 77 (skipped) without LibreOffice."""
    if shutil.which("soffice") is None:
        print("LibreOffice is not installed")
        sys.exit(SKIPPED)
    unittest.main()
