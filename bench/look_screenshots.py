#!/usr/bin/python3
"""Pictures of formatting-rich sources beside our .xls of them, both printed
by LibreOffice under Xvfb (to PDF, then PNG with Ghostscript), to compare by
eye.

    look_screenshots.py --converter BUILD/cli/brindlemoor-convert [--out /tmp/look-shots] [--add FILE.ods ...]

Makes the fixtures with tests/roundtrip/make_look_fixtures.py, converts them
with ours, prints source and result to PDF, and writes NAME-source-N.png,
NAME-ours-N.png and NAME-side-N.png (the two side by side) per page. --add
puts further sources beside the fixtures (a corpus file, a round trip's
source), under their own names.
"""

import argparse
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "roundtrip"))
from make_look_fixtures import make  # noqa: E402


def to_pdf(files, folder, profile):
    command = ["soffice", f"-env:UserInstallation={Path(profile).resolve().as_uri()}", "--norestore",
               "--nolockcheck", "--convert-to", "pdf", "--outdir", str(folder), *map(str, files)]
    if shutil.which("xvfb-run"):
        command = ["xvfb-run", "-a", *command]
    subprocess.run(command, check=True, capture_output=True, timeout=600)


def to_png(pdf, stem, resolution):
    subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", f"-r{resolution}",
                    f"-sOutputFile={stem}-%d.png", str(pdf)], check=True, timeout=300)
    return sorted(stem.parent.glob(f"{stem.name}-*.png"), key=lambda p: int(p.stem.rsplit("-", 1)[1]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--converter", required=True)
    parser.add_argument("--out", type=Path, default=Path("/tmp/look-shots"))
    parser.add_argument("--resolution", type=int, default=70)
    parser.add_argument("--add", type=Path, action="append", default=[], help="a further .ods to show")
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    fixtures = make(args.out / "fixtures")
    for extra in args.add:
        fixtures.setdefault(extra.stem, extra)
    with tempfile.TemporaryDirectory() as work:
        work = Path(work)
        (work / "source").mkdir()
        (work / "ours").mkdir()
        for ods in fixtures.values():
            shutil.copy(ods, work / "source" / ods.name)
        subprocess.run([args.converter, *map(str, (work / "source").glob("*.ods")), "-o", str(work / "ours"),
                        "--quiet"], check=True)
        for kind in ("source", "ours"):
            files = sorted((work / kind).glob("*.ods" if kind == "source" else "*.xls"))
            to_pdf(files, work / kind, work / "profile")
        for name in fixtures:
            pages = {kind: to_png(work / kind / f"{name}.pdf", args.out / f"{name}-{kind}", args.resolution)
                     for kind in ("source", "ours")}
            for i, (left, right) in enumerate(zip(pages["source"], pages["ours"]), start=1):
                side = args.out / f"{name}-side-{i}.png"
                subprocess.run(["montage", str(left), str(right), "-tile", "2x1", "-geometry", "+8+0",
                                "-background", "#808080", str(side)], check=True)
                print(side)
            if len(pages["source"]) != len(pages["ours"]):
                print(f"{name}: {len(pages['source'])} source pages, {len(pages['ours'])} of ours", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
