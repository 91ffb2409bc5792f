#!/usr/bin/python3
"""Conditional formats survive the round trip: a spreadsheet made by
LibreOffice with rules on cell values (greater than, between) and a formula
rule with relative references is converted, and LibreOffice reads back the
same ranges, conditions and looks from our .xls; the validity check
(olefile, xlrd, POI, Gnumeric, LibreOffice) accepts it.

Environment: ROUNDTRIP_CONVERTER (path of brindlemoor-convert) and
ROUNDTRIP_WORK (folder for fixtures and results). Exits 77 (skipped) when
LibreOffice is not installed.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from make_fixtures import NAMESPACES, make_from_flat  # noqa: E402
from xls_validity import check_files, failures, soffice_command  # noqa: E402

SKIPPED = 77
WORK = Path(os.environ.get("ROUNDTRIP_WORK", "/tmp/brindlemoor_roundtrip")) / "conditional_formats"
NS = dict(NAMESPACES, calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0",
          loext="urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0")

RED, YELLOW, GREEN = "#c00000", "#ffff00", "#00b050"

# (range, conditions as LibreOffice writes them, applied style)
RULES = [
    ("Rules.B2:Rules.B10", [(">5", "Alert"), ("between(1,3)", "Calm")]),
    ("Rules.C2:Rules.D10", [("formula-is([.$A2]>[.C$1])", "Alert")]),
]


def fixture():
    ns = " ".join(f'xmlns:{k}="{v}"' for k, v in NS.items())
    styles = (
        '<style:style style:name="Default" style:family="table-cell"/>'
        '<style:style style:name="Alert" style:family="table-cell" style:parent-style-name="Default">'
        f'<style:table-cell-properties fo:background-color="{YELLOW}"/>'
        f'<style:text-properties fo:color="{RED}" fo:font-weight="bold"/></style:style>'
        '<style:style style:name="Calm" style:family="table-cell" style:parent-style-name="Default">'
        f'<style:table-cell-properties fo:background-color="{GREEN}"/>'
        '<style:text-properties fo:font-style="italic"/></style:style>')
    header = "<table:table-row><table:table-cell/><table:table-cell/>" + "".join(
        f'<table:table-cell office:value-type="float" office:value="{v}"><text:p>{v}</text:p></table:table-cell>'
        for v in (3, 6)) + "</table:table-row>"
    rows = "".join(
        "<table:table-row>" + "".join(
            f'<table:table-cell office:value-type="float" office:value="{v}"><text:p>{v}</text:p></table:table-cell>'
            for v in (r, r + 1, r * 2, r * 3)) + "</table:table-row>"
        for r in range(1, 10))
    formats = "".join(
        f'<calcext:conditional-format calcext:target-range-address="{target}">' + "".join(
            f'<calcext:condition calcext:apply-style-name="{style}" calcext:value="{value.replace(">", "&gt;")}" '
            f'calcext:base-cell-address="{target.split(":")[0]}"/>' for value, style in conditions)
        + "</calcext:conditional-format>" for target, conditions in RULES)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:styles>{styles}</office:styles>
<office:body><office:spreadsheet>
<table:table table:name="Rules"><table:table-column table:number-columns-repeated="4"/>{header}{rows}
<calcext:conditional-formats>{formats}</calcext:conditional-formats></table:table>
</office:spreadsheet></office:body></office:document>
"""


def conditional_formats(ods):
    """{range: [(condition, applied style's look)]} as LibreOffice wrote them."""
    with zipfile.ZipFile(ods) as z:
        content = ET.fromstring(z.read("content.xml"))
        common = ET.fromstring(z.read("styles.xml"))
    looks = {}
    for root in (common, content):
        for style in root.iter(f"{{{NS['style']}}}style"):
            name = style.get(f"{{{NS['style']}}}name")
            display = style.get(f"{{{NS['style']}}}display-name", name)
            look = {}
            for props in style:
                for key in ("color", "font-weight", "font-style", "background-color"):
                    value = props.get(f"{{{NS['fo']}}}{key}")
                    if value:
                        look[key] = value.lower()
            looks[name] = looks[display] = look
    result = {}
    for fmt in content.iter(f"{{{NS['calcext']}}}conditional-format"):
        target = fmt.get(f"{{{NS['calcext']}}}target-range-address")
        result[target] = [(c.get(f"{{{NS['calcext']}}}value"), looks.get(c.get(f"{{{NS['calcext']}}}apply-style-name"), {}))
                          for c in fmt.iter(f"{{{NS['calcext']}}}condition")]
    return result


class ConditionalFormatRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.source = make_from_flat(WORK / "fixtures", {"conditional": fixture})["conditional"]
        out = WORK / "xls"
        shutil.rmtree(out, ignore_errors=True)
        out.mkdir(parents=True)
        result = subprocess.run([os.environ["ROUNDTRIP_CONVERTER"], str(cls.source), "-o", str(out)],
                                capture_output=True, text=True, timeout=300)
        assert result.returncode == 0, result.stderr
        cls.warnings = result.stdout + result.stderr
        cls.xls = out / "conditional.xls"
        back = WORK / "back"
        shutil.rmtree(back, ignore_errors=True)
        with tempfile.TemporaryDirectory() as profile:
            subprocess.run(soffice_command(profile) + ["--convert-to", "ods", "--outdir", str(back), str(cls.xls)],
                           check=True, capture_output=True, timeout=300)
        cls.before = conditional_formats(cls.source)
        cls.after = conditional_formats(back / "conditional.ods")

    def test_the_source_holds_what_the_fixture_asked_for(self):
        self.assertEqual(len(self.before), 2, self.before)

    def test_ranges_conditions_and_looks_read_back_the_same(self):
        def normal(formats):
            # Sheet names and "$" as LibreOffice writes them either way; Excel
            # sets posture and weight together, so a plain one may be spelt out.
            def look(properties):
                return {k: v for k, v in properties.items() if v != "normal"}
            return {re.sub(r"[$']", "", target): [(re.sub(r"[$']", "", value), look(props)) for value, props in rules]
                    for target, rules in formats.items()}
        self.assertEqual(normal(self.after), normal(self.before))

    def test_looks_are_those_of_the_applied_styles(self):
        rules = next(rules for target, rules in self.after.items() if "B2" in target)
        alert, calm = rules[0][1], rules[1][1]
        self.assertEqual(alert.get("color"), RED)
        self.assertEqual(alert.get("font-weight"), "bold")
        self.assertEqual(alert.get("background-color"), YELLOW)
        self.assertEqual(calm.get("font-style"), "italic")
        self.assertEqual(calm.get("background-color"), GREEN)

    def test_nothing_is_reported_lost(self):
        self.assertNotIn("conditional format", self.warnings)

    def test_every_reader_accepts_the_workbook(self):
        self.assertEqual(failures(check_files([self.xls])), [])


if __name__ == "__main__":
    if not shutil.which("soffice"):
        print("LibreOffice is not installed")
        sys.exit(SKIPPED)
    unittest.main()
