#!/usr/bin/python3
"""Converts a fixed, varied set of documents and records an MD5 sum per
workbook, or compares those sums with a reference run: a change meant to make
the converter faster must leave every output byte for byte as it was.

    compare_outputs.py --converter BIN --out DIR [--reference DIR]
                       [--bench DIR] [--count N]

The set: the benchmark's files found in --bench (small, medium and large
*.ods), and N documents of the shared corpus taken evenly from each kind
(.ods, .ots, .sxc, .stc, .fods) in a fixed order, so that every run picks the
same ones. DIR gets the workbooks, the converter's messages per file and
sums.tsv (file, status, MD5). With --reference, prints every file whose sum
or status differs from the reference folder's sums.tsv; exit status 1 then.
"""

import argparse
import hashlib
import os
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
CORPUS = Path(os.environ.get("BRINDLEMOOR_SHARED_DIR", HERE.parent.parent / "shared")) / "corpus"
KINDS = {".ods": 0.55, ".sxc": 0.25, ".fods": 0.1, ".ots": 0.08, ".stc": 0.02}


def corpus_documents(count):
    """About `count` corpus documents, spread evenly over each kind."""
    if not CORPUS.is_dir():
        return []
    every = sorted(p for p in CORPUS.rglob("*") if p.suffix.lower() in KINDS and p.is_file())
    chosen = []
    for kind, share in KINDS.items():
        of_kind = [p for p in every if p.suffix.lower() == kind]
        wanted = max(1, round(count * share))
        step = max(1, len(of_kind) / wanted)
        chosen += [of_kind[int(i * step)] for i in range(min(wanted, len(of_kind)))]
    return chosen


def convert(converter, source, out, label):
    """(status, MD5 of the workbook or '-') of one conversion."""
    target = out / (label + ".xls")
    log = out / (label + ".log")
    workdir = out / ".work"
    workdir.mkdir(exist_ok=True)
    # Each file converts alone in its own folder, so that names never collide.
    result = subprocess.run([converter, str(source), "-o", str(workdir)], capture_output=True, text=True,
                            timeout=600)
    log.write_text(result.stdout + result.stderr, encoding="utf-8")
    made = workdir / (source.stem + ".xls")
    if result.returncode != 0 or not made.exists():
        if made.exists():
            made.unlink()
        return f"failed({result.returncode})", "-"
    made.replace(target)
    return "ok", hashlib.md5(target.read_bytes()).hexdigest()


def read_sums(path):
    sums = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        label, status, digest = line.split("\t")
        sums[label] = (status, digest)
    return sums


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--converter", required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--reference", type=Path)
    parser.add_argument("--bench", type=Path, help="folder with the benchmark's small, medium and large .ods")
    parser.add_argument("--count", type=int, default=60, help="corpus documents (about)")
    args = parser.parse_args()

    sources = []
    if args.bench:
        sources += [(p.stem, p) for p in sorted(args.bench.glob("*_*x*.ods"))]
    sources += [(str(p.relative_to(CORPUS)).replace("/", "__"), p) for p in corpus_documents(args.count)]
    if not sources:
        sys.exit("nothing to convert: no --bench folder and no corpus at " + str(CORPUS))

    args.out.mkdir(parents=True, exist_ok=True)
    lines = []
    for label, source in sources:
        status, digest = convert(str(Path(args.converter).resolve()), source, args.out, label)
        lines.append(f"{label}\t{status}\t{digest}")
    (args.out / "sums.tsv").write_text("\n".join(lines) + "\n", encoding="utf-8")
    converted = sum(1 for line in lines if "\tok\t" in line)
    print(f"{len(lines)} documents, {converted} converted, sums in {args.out / 'sums.tsv'}")

    if args.reference:
        mine, theirs = read_sums(args.out / "sums.tsv"), read_sums(args.reference / "sums.tsv")
        differing = [label for label in mine if mine[label] != theirs.get(label)]
        differing += [label for label in theirs if label not in mine]
        for label in differing:
            print(f"differs: {label}: {theirs.get(label)} -> {mine.get(label)}")
        print(f"{len(mine) - len(differing)} of {len(mine)} the same as {args.reference}")
        sys.exit(1 if differing else 0)


if __name__ == "__main__":
    main()
