#!/usr/bin/python3
"""Fidelity of our .xls against LibreOffice's and Gnumeric's exports over the
whole corpus, with one office kept running for every export and comparison.

    look_fidelity.py --converter BUILD/cli/brindlemoor-convert
                     [--fixtures DIR] [--formats ods,ots] [--redo mine]
                     [--work DIR] [--results bench/results] [--name fidelity_look]

run_fidelity.py starts a fresh office for every LibreOffice export and one
comparer process per file and tool; on a loaded machine that is a minute per
file. Here LibreOffice exports through the same office that compares (the
same "MS Excel 97" filter), and every finished file and tool is appended to
<work>/rows.jsonl at once, so a run can be resumed and the anchors' rows are
kept when only ours is run again (--redo mine). The tables are the same as
run_fidelity.py writes.
"""

import argparse
import json
import os
import subprocess
import sys
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from run_fidelity import LABELS, TOOLS, gaps, percent, pick_corpus, summarise, write_wrapper  # noqa: E402


class TimedOut(Exception):
    pass


def within(seconds, work):
    """Run `work` on a thread; TimedOut when it is not done in time."""
    box = {}

    def target():
        try:
            box["value"] = work()
        except Exception as exc:  # handed to the caller
            box["error"] = exc
    thread = threading.Thread(target=target, daemon=True)
    thread.start()
    thread.join(seconds)
    if thread.is_alive():
        raise TimedOut(f"no answer after {seconds:.0f} s")
    if "error" in box:
        raise box["error"]
    return box.get("value")


class Bench:
    def __init__(self, args):
        sys.path.insert(0, str(args.tools))
        import anchors
        import fidelity
        import lo_common
        self.anchors, self.fidelity, self.lo_common = anchors, fidelity, lo_common
        self.timeout = args.timeout
        self.office = lo_common.Office(pipe=args.pipe, profile=(args.work / "lo_profile").resolve().as_uri())
        self.office.start()
        self.mine = write_wrapper(args.work, Path(args.converter).resolve())

    def restart_office(self):
        self.office.stop()
        self.office.start()

    def export_lo(self, src, out):
        def work():
            prop = self.lo_common.prop
            doc = self.office.desktop.loadComponentFromURL(Path(src).resolve().as_uri(), "_blank", 0,
                                                           (prop("Hidden", True),))
            if doc is None:
                raise RuntimeError("LibreOffice could not load the file")
            try:
                doc.storeToURL(Path(out).resolve().as_uri(), (prop("FilterName", "MS Excel 97"),))
            finally:
                doc.close(True)
        start = time.monotonic()
        try:
            within(self.timeout, work)
        except Exception as exc:
            self.restart_office()
            return 1, time.monotonic() - start, f"{type(exc).__name__}: {exc}"
        return 0, time.monotonic() - start, ""

    def convert(self, tool, src, out):
        if tool == "lo":
            return self.export_lo(src, out)
        if tool == "gnumeric":
            return self.anchors.convert_gnumeric(src, out, self.timeout)
        return self.anchors.run_timed([str(self.mine), src, out], self.timeout)

    def compare(self, src, out):
        try:
            return within(self.timeout, lambda: self.fidelity.run(self.office, src, out)), None
        except Exception as exc:
            self.restart_office()
            return None, f"compare: {type(exc).__name__}: {str(exc)[:200]}"

    def row(self, label, tool, src, out_dir):
        out = out_dir / tool / (Path(label).stem + ".xls")
        out.parent.mkdir(parents=True, exist_ok=True)
        out.unlink(missing_ok=True)
        rc, seconds, message = self.convert(tool, str(src), str(out))
        row = {"file": label, "tool": tool, "convert_s": round(seconds, 2), "output": str(out)}
        if rc != 0 or not out.exists():
            row["error"] = f"convert rc={rc} {message[-200:]}"
            return row
        start = time.monotonic()
        row["report"], error = self.compare(str(src), str(out))
        row["compare_s"] = round(time.monotonic() - start, 2)
        if error:
            row["error"] = error
        return row


def labelled(files):
    """File label as anchors.py gives it: the name, made unique with a number."""
    stems, out = set(), []
    for src in files:
        stem = base = src.stem
        while stem in stems:
            stem = f"{base}_{len(stems)}"
        stems.add(stem)
        out.append((src, src.name if stem == base else stem + src.suffix))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--converter", required=True)
    parser.add_argument("--tools", type=Path, default=HERE.parent.parent / "shared" / "tools")
    parser.add_argument("--corpus", type=Path, default=HERE.parent.parent / "shared" / "corpus")
    parser.add_argument("--fixtures", type=Path, action="append", default=[], help="folder of .ods files to add")
    parser.add_argument("--formats", default="ods,ots")
    parser.add_argument("--redo", default="", help="tools whose earlier rows are dropped, e.g. mine")
    parser.add_argument("--results", type=Path, default=HERE / "results")
    parser.add_argument("--name", default="fidelity_look")
    parser.add_argument("--work", type=Path, default=Path("/tmp/brindlemoor_look_fidelity"))
    parser.add_argument("--pipe", default="brindlemoor_look_fidelity")
    parser.add_argument("--timeout", type=float, default=300)
    args = parser.parse_args()

    args.work.mkdir(parents=True, exist_ok=True)
    files = []
    if (args.corpus / "MANIFEST.tsv").exists():
        files += pick_corpus(args.corpus, set(args.formats.split(",")), 10**6, 10**6, max_bytes=10**9)
    for folder in args.fixtures:
        files += sorted(folder.glob("*.ods"))
    journal = args.work / "rows.jsonl"
    redo = set(filter(None, args.redo.split(",")))
    rows = []
    if journal.exists():
        rows = [r for r in map(json.loads, journal.read_text(encoding="utf-8").splitlines()) if r["tool"] not in redo]
        journal.write_text("".join(json.dumps(r, ensure_ascii=False) + "\n" for r in rows), encoding="utf-8")
    done = {(r["file"], r["tool"]) for r in rows}
    print(f"{len(files)} files, {len(done)} results kept", file=sys.stderr)

    bench = Bench(args)
    try:
        with journal.open("a", encoding="utf-8") as log:
            for src, label in labelled(files):
                for tool in TOOLS:
                    if (label, tool) in done:
                        continue
                    row = bench.row(label, tool, src, args.work / "out")
                    rows.append(row)
                    log.write(json.dumps(row, ensure_ascii=False, default=str) + "\n")
                    log.flush()
                    print(f"{label:40s} {tool:9s} {row['convert_s']:7.2f}s {row.get('error', '')[:100]}", file=sys.stderr)
    finally:
        bench.office.stop()

    sums, complete = summarise(rows)
    table = [f"Fidelity over {complete} files that all three converted ({len(files)} tried: every corpus "
             f"{args.formats} file LibreOffice opens" + (", and our formatting fixtures" if args.fixtures else "") + ").",
             "Percent of cells (or sheets, ranges) that match the source as LibreOffice reads it.", "",
             "| category | " + " | ".join(LABELS[t] for t in TOOLS) + " |", "|---|" + "---|" * len(TOOLS)]
    for category in sorted(sums):
        table.append(f"| {category} | " + " | ".join(
            f"{percent(*sums[category][t])} ({sums[category][t][0]}/{sums[category][t][1]})" for t in TOOLS) + " |")
    table.append("")
    for tool in TOOLS:
        failed = [f"- {r['file']}: {r['error'][:160]}" for r in rows if r["tool"] == tool and r.get("error")]
        if failed:
            table += [f"{LABELS[tool]} failed on {len(failed)} files:", *failed]
    args.results.mkdir(parents=True, exist_ok=True)
    (args.results / f"{args.name}.md").write_text("\n".join(table) + "\n", encoding="utf-8")
    (args.results / f"{args.name}_gaps.md").write_text("# Where ours is worse than LibreOffice\n\n" + gaps(rows, sums),
                                                       encoding="utf-8")
    print("\n".join(table))
    return 0


if __name__ == "__main__":
    sys.exit(main())
