#!/usr/bin/python3
"""Converts the corpus of real spreadsheets written by other programs.

Every file LibreOffice opens must convert and pass every structural check;
the deliberately broken or hostile ones must fail with a message naming
them and leave no output; the rest (odd files LibreOffice gives up on) may go
either way, but never crash and never leave a half-written result.

    test_corpus.py [--formats ods,ots] [--readers olefile,biff,...]

Environment: ROUNDTRIP_CONVERTER (path of brindlemoor-convert),
CORPUS_DIR (folder with MANIFEST.tsv), ROUNDTRIP_WORK (scratch folder).
Exits 77 (skipped) when the corpus is absent.
"""

import argparse
import csv
import os
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import xls_validity  # noqa: E402

SKIPPED = 77
# Notes in the manifest that mark a file as broken on purpose or hostile.
BROKEN_MARKS = ("BROKEN", "ENCRYPTED", "entity attack", "not well-formed")


@dataclass
class Entry:
    path: Path
    opens: bool
    notes: str

    @property
    def broken(self):
        # LibreOffice "opens" a 0-byte file or a package without content as a
        # new empty document; we refuse them, as the notes call them broken.
        return any(mark in self.notes for mark in BROKEN_MARKS)

    @property
    def must_convert(self):
        return self.opens and not self.broken


def read_manifest(corpus, formats):
    with open(corpus / "MANIFEST.tsv", newline="", encoding="utf-8") as manifest:
        rows = list(csv.DictReader(manifest, delimiter="\t"))
    return [Entry(corpus / row["relpath"], row["lo_opens"] == "yes", row["notes"])
            for row in rows if Path(row["relpath"]).suffix.lower().lstrip(".") in formats]


def convert_all(converter, entries, outroot):
    """Converts in batches whose output names cannot collide.
    Returns ({entry path: output path}, stderr of all batches)."""
    batches = []
    for entry in entries:
        for batch in batches:
            if entry.path.stem not in batch:
                batch[entry.path.stem] = entry
                break
        else:
            batches.append({entry.path.stem: entry})
    outputs, stderr = {}, []
    for number, batch in enumerate(batches):
        outdir = outroot / f"batch{number}"
        outdir.mkdir(parents=True)
        result = subprocess.run([converter, *(str(e.path) for e in batch.values()),
                                 "-o", str(outdir), "-j", "2", "--quiet"],
                                capture_output=True, text=True, timeout=1800)
        if result.returncode < 0:
            stderr.append(f"converter killed by signal {-result.returncode} in batch {number}")
        stderr.append(result.stderr)
        for stem, entry in batch.items():
            outputs[entry.path] = outdir / f"{stem}.xls"
    return outputs, "\n".join(stderr)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--formats", default="ods,ots,sxc,stc")
    parser.add_argument("--readers", default=",".join(xls_validity.READERS))
    parser.add_argument("--verbose", action="store_true", help="list reader warnings too")
    args = parser.parse_args()

    corpus = Path(os.environ.get("CORPUS_DIR", ""))
    if not (corpus / "MANIFEST.tsv").exists():
        print(f"no corpus at {corpus!s}: skipped")
        return SKIPPED
    converter = os.environ.get("ROUNDTRIP_CONVERTER")
    if not converter:
        sys.exit("set ROUNDTRIP_CONVERTER to the converter's path")
    entries = read_manifest(corpus, set(args.formats.split(",")))
    work = Path(os.environ.get("ROUNDTRIP_WORK") or tempfile.mkdtemp(prefix="corpus_"))
    outroot = work / f"corpus_{args.formats.replace(',', '_')}"
    shutil.rmtree(outroot, ignore_errors=True)

    outputs, stderr = convert_all(converter, entries, outroot)
    problems = [line for line in stderr.splitlines() if "killed by signal" in line]
    error_lines = [line for line in stderr.splitlines() if line.startswith("error: ")]

    def error_for(path):
        return [line for line in error_lines if line.startswith(f"error: {path}:")]

    produced, odd = [], []
    for entry in entries:
        output = outputs[entry.path]
        name = entry.path.relative_to(corpus)
        if entry.must_convert and not output.exists():
            problems.append(f"{name}: not converted: {' '.join(error_for(entry.path)) or 'no message'}")
        elif entry.broken and output.exists():
            problems.append(f"{name}: broken on purpose, yet converted")
        elif not output.exists() and not error_for(entry.path):
            problems.append(f"{name}: no result and no error message naming it")
        if output.exists():
            (produced if entry.must_convert else odd).append(output)
    leftovers = [p for p in outroot.rglob("*") if p.is_file() and p not in set(produced + odd)]
    problems += [f"left behind: {p}" for p in leftovers]

    readers = [r for r in args.readers.split(",") if r]
    results = xls_validity.check_files(produced, readers, cache_dir=work / "validity")
    # Files LibreOffice gives up on (such as a cell repeated a billion times
    # each way) may give results too big for the slow readers: the record
    # walk still has to pass.
    fast = [r for r in readers if r in ("olefile", "biff")]
    results.update(xls_validity.check_files(odd, fast, cache_dir=work / "validity"))
    source_of = {out: src for src, out in outputs.items()}
    for line in xls_validity.failures(results):
        path = Path(line.split(": ", 1)[0])
        problems.append(f"{source_of[path].relative_to(corpus)}: {line.split(': ', 1)[1]}")

    converted = sum(1 for e in entries if outputs[e.path].exists())
    print(f"{len(entries)} files ({args.formats}): {converted} converted, "
          f"{sum(e.must_convert for e in entries)} that LibreOffice opens, "
          f"{sum(e.broken for e in entries)} broken on purpose")
    warned = sum(1 for v in results.values() for verdict in v if verdict.status == xls_validity.WARN)
    print(f"structural checks: {len(produced) + len(odd)} results, {warned} reader warnings")
    if args.verbose:
        for path, verdicts in results.items():
            for verdict in verdicts:
                if verdict.status == xls_validity.WARN:
                    print(f"WARN {source_of[path].relative_to(corpus)}: {verdict}")
    for problem in problems:
        print("FAIL", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
