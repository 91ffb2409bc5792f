#!/usr/bin/python3
"""Runs the shared validity check (xlscheck.py) on every .xls of a folder and
writes a summary: how many pass, and which reader failed on which file.

    check_outputs.py FOLDER [--tools DIR] [--out bench/results/xlscheck_look.md]
"""

import argparse
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("--tools", type=Path, default=HERE.parent.parent / "shared" / "tools")
    parser.add_argument("--out", type=Path, default=HERE / "results" / "xlscheck_look.md")
    parser.add_argument("--timeout", type=int, default=120)
    args = parser.parse_args()
    files = sorted(args.folder.glob("*.xls"))
    failed = []
    for xls in files:
        try:
            proc = subprocess.run(["/usr/bin/python3", str(args.tools / "xlscheck.py"), str(xls), "--timeout",
                                   str(args.timeout)], capture_output=True, text=True, timeout=args.timeout * 7)
            verdicts = [line for line in proc.stdout.splitlines() if " FAIL " in f" {line} "]
            ok = proc.returncode == 0
        except subprocess.TimeoutExpired:
            verdicts, ok = ["timed out"], False
        if not ok:
            failed.append(f"- {xls.name}: " + "; ".join(v.strip()[:160] for v in verdicts or ["exit status"]))
        print(f"{xls.name:50s} {'ok' if ok else 'FAIL'}", file=sys.stderr)
    lines = [f"xlscheck.py on {len(files)} workbooks of {args.folder}: {len(files) - len(failed)} pass, "
             f"{len(failed)} fail.", "", *failed]
    args.out.parent.mkdir(parents=True, exist_ok=True)
    args.out.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print("\n".join(lines))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
