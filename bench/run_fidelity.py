#!/usr/bin/python3
"""Fidelity of our .xls against LibreOffice's and Gnumeric's own exports, as
the shared fidelity comparer measures it, over a representative part of the
corpus (a few files per generator) and the round-trip fixtures.

    run_fidelity.py --converter BUILD/cli/brindlemoor-convert [--tools DIR]
                    [--corpus DIR] [--fixtures DIR] [--formats ods,ots]
                    [--per-generator 2] [--max-files 40] [--results bench/results]
                    [--name fidelity] [--anchors-from EARLIER.json]

Writes <results>/<name>.md (per category: matched/total and percent, summed
over all files, per tool) and <name>_gaps.md (where ours is worse than
LibreOffice, with example cells), and the raw reports as JSON in the work
folder. The anchors' results depend on the inputs only: --anchors-from takes
them from an earlier run's fidelity.json, so that only ours is converted and
compared again.
"""

import argparse
import csv
import json
import os
import re
import subprocess
import sys
import tempfile
from collections import defaultdict
from pathlib import Path

HERE = Path(__file__).resolve().parent
TOOLS = ("mine", "lo", "gnumeric")
LABELS = {"mine": "ours", "lo": "LibreOffice", "gnumeric": "Gnumeric"}


def generator_family(notes):
    match = re.match(r"gen=([^;$/ (]*)", notes)
    return match.group(1) if match else "?"


def pick_corpus(corpus, formats, per_generator, max_files, max_bytes=400_000, feature=None):
    with open(corpus / "MANIFEST.tsv", newline="", encoding="utf-8") as manifest:
        rows = [r for r in csv.DictReader(manifest, delimiter="\t")
                if r["lo_opens"] == "yes" and int(r["bytes"]) <= max_bytes
                and Path(r["relpath"]).suffix.lstrip(".").lower() in formats
                and (not feature or feature in r["notes"])]
    taken = defaultdict(int)
    chosen = []
    for row in sorted(rows, key=lambda r: (int(r["bytes"]), r["relpath"])):
        family = (Path(row["relpath"]).suffix, generator_family(row["notes"]))
        if taken[family] < per_generator:
            taken[family] += 1
            chosen.append(corpus / row["relpath"])
    return sorted(chosen)[:max_files]


def write_wrapper(folder, converter):
    """The comparer calls CMD IN OUT; ours takes IN -o FOLDER."""
    wrapper = folder / "convert_one.sh"
    wrapper.write_text(f"""#!/bin/sh
set -e
out_dir=$(mktemp -d "$(dirname "$2")/.convert.XXXXXX")
trap 'rm -rf "$out_dir"' EXIT
"{converter}" "$1" -o "$out_dir" --quiet
mv "$out_dir"/*.xls "$2"
""")
    wrapper.chmod(0o755)
    return wrapper


def summarise(rows):
    """{category: {tool: [matched, total]}} summed over files that every tool converted."""
    by_file = defaultdict(dict)
    for row in rows:
        if row.get("report"):
            by_file[row["file"]][row["tool"]] = row["report"]
    sums = defaultdict(lambda: defaultdict(lambda: [0, 0]))
    complete = 0
    for reports in by_file.values():
        if not all(tool in reports for tool in TOOLS):
            continue
        complete += 1
        for tool, report in reports.items():
            for category, figures in report["categories"].items():
                sums[category][tool][0] += figures["matched"]
                sums[category][tool][1] += figures["total"]
    return sums, complete


def percent(matched, total):
    return f"{100.0 * matched / total:.1f}" if total else "n/a"


def gaps(rows, sums, limit=6):
    """Categories where ours matches less than LibreOffice, with examples."""
    lines = []
    for category, tools in sums.items():
        mine, lo = tools["mine"], tools["lo"]
        if not mine[1] or mine[0] / mine[1] >= (lo[0] / lo[1] if lo[1] else 0) - 1e-9:
            continue
        lines.append(f"## {category}: ours {percent(*mine)} % vs LibreOffice {percent(*lo)} %\n")
        shown = 0
        for row in rows:
            report = row.get("report")
            if row["tool"] != "mine" or not report:
                continue
            lo_row = next((r for r in rows if r["file"] == row["file"] and r["tool"] == "lo"), None)
            lo_cat = lo_row["report"]["categories"].get(category) if lo_row and lo_row.get("report") else None
            cat = report["categories"].get(category)
            if not cat or not cat["total"] or (lo_cat and cat["matched"] >= lo_cat["matched"]):
                continue
            lines.append(f"- {row['file']}: ours {cat['matched']}/{cat['total']}"
                         + (f", LibreOffice {lo_cat['matched']}/{lo_cat['total']}" if lo_cat else ""))
            for example in cat.get("examples", [])[:3]:
                lines.append(f"  - `{json.dumps(example, ensure_ascii=False)[:300]}`")
            shown += 1
            if shown >= limit:
                break
        lines.append("")
    return "\n".join(lines) or "Ours is nowhere worse than LibreOffice.\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--converter", required=True)
    parser.add_argument("--tools", type=Path, default=HERE.parent.parent / "shared" / "tools")
    parser.add_argument("--corpus", type=Path, default=HERE.parent.parent / "shared" / "corpus")
    parser.add_argument("--fixtures", type=Path, help="folder of .ods fixtures to add")
    parser.add_argument("--formats", default="ods,ots")
    parser.add_argument("--per-generator", type=int, default=2)
    parser.add_argument("--max-files", type=int, default=40)
    parser.add_argument("--feature", help="only corpus files whose manifest notes name this feature, e.g. formula")
    parser.add_argument("--results", type=Path, default=HERE / "results")
    parser.add_argument("--name", default="fidelity", help="base name of the result files")
    parser.add_argument("--work", type=Path, default=Path(tempfile.gettempdir()) / "brindlemoor_fidelity")
    parser.add_argument("--anchors-from", type=Path,
                        help="fidelity.json of an earlier run on the same files: its LibreOffice and Gnumeric rows are reused")
    args = parser.parse_args()

    anchors = args.tools / "anchors.py"
    if not anchors.exists():
        sys.exit(f"no fidelity comparer at {anchors}")
    args.work.mkdir(parents=True, exist_ok=True)
    files = []
    if (args.corpus / "MANIFEST.tsv").exists():
        files += pick_corpus(args.corpus, set(args.formats.split(",")), args.per_generator, args.max_files,
                             feature=args.feature)
    if args.fixtures:
        files += sorted(args.fixtures.glob("*.ods"))
    wrapper = write_wrapper(args.work, Path(args.converter).resolve())
    report_json = args.work / "fidelity.json"
    print(f"comparing {len(files)} files", file=sys.stderr)
    earlier = json.loads(args.anchors_from.read_text(encoding="utf-8")) if args.anchors_from else None
    subprocess.run(["/usr/bin/python3", str(anchors), *map(str, files), "--out", str(args.work / "out"),
                    "--json", str(report_json), "--tool", f"mine={wrapper} {{in}} {{out}}",
                    "--timeout", "300"] + (["--tools="] if earlier else []), stdout=subprocess.DEVNULL)
    rows = json.loads(report_json.read_text(encoding="utf-8"))
    if earlier:
        ours = {row["file"] for row in rows}
        rows += [row for row in earlier if row["tool"] != "mine" and row["file"] in ours]
        report_json.write_text(json.dumps(rows, indent=1, ensure_ascii=False), encoding="utf-8")
    sums, complete = summarise(rows)
    failed = defaultdict(list)
    for row in rows:
        if row.get("error"):
            failed[row["tool"]].append(f"{row['file']}: {row['error'][:160]}")

    table = [f"Fidelity over {complete} files that all three converted "
             f"({len(files)} tried: corpus {args.formats} files LibreOffice opens, a few per generator"
             + (", and the round-trip fixtures" if args.fixtures else "") + ").",
             "Percent of cells (or sheets, ranges) that match the source as LibreOffice reads it.", "",
             "| category | " + " | ".join(LABELS[t] for t in TOOLS) + " |",
             "|---|" + "---|" * len(TOOLS)]
    for category in sorted(sums):
        cells = [f"{percent(*sums[category][t])} ({sums[category][t][0]}/{sums[category][t][1]})"
                 for t in TOOLS]
        table.append(f"| {category} | " + " | ".join(cells) + " |")
    table.append("")
    for tool in TOOLS:
        if failed[tool]:
            table.append(f"{LABELS[tool]} failed on {len(failed[tool])} files:")
            table += [f"- {line}" for line in failed[tool]]
    args.results.mkdir(parents=True, exist_ok=True)
    tables, gap_list = args.results / f"{args.name}.md", args.results / f"{args.name}_gaps.md"
    tables.write_text("\n".join(table) + "\n", encoding="utf-8")
    gap_list.write_text("# Where ours is worse than LibreOffice\n\n" + gaps(rows, sums), encoding="utf-8")
    print("\n".join(table))
    print(f"\nwritten: {tables}, {gap_list}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
