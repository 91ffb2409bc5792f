#!/usr/bin/env python3
"""Makes the example spreadsheets of Samples/ with LibreOffice.

Each sample is written as flat OpenDocument XML and converted to .ods by
LibreOffice headless, so the files are genuine LibreOffice documents.
Run: scripts/make_samples.py [OUTDIR]   (default: Samples/ beside this folder)
"""
import os
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:meta><dc:title>{title}</dc:title><meta:initial-creator>Brindlemoor samples</meta:initial-creator></office:meta>
<office:styles>
 <number:currency-style style:name="N_EUR"><number:number number:decimal-places="2" number:min-decimal-places="2" number:min-integer-digits="1" number:grouping="true"/><number:text> </number:text><number:currency-symbol>€</number:currency-symbol></number:currency-style>
 <number:percentage-style style:name="N_PCT"><number:number number:decimal-places="1" number:min-decimal-places="1" number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>
 <number:date-style style:name="N_DATE"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
 <number:time-style style:name="N_TIME"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/></number:time-style>
 <number:time-style style:name="N_DUR" number:truncate-on-overflow="false"><number:hours/><number:text>:</number:text><number:minutes number:style="long"/></number:time-style>
 <number:boolean-style style:name="N_BOOL"><number:boolean/></number:boolean-style>
 <style:style style:name="Euro" style:family="table-cell" style:data-style-name="N_EUR"/>
 <style:style style:name="Pct" style:family="table-cell" style:data-style-name="N_PCT"/>
 <style:style style:name="Date" style:family="table-cell" style:data-style-name="N_DATE"/>
 <style:style style:name="Time" style:family="table-cell" style:data-style-name="N_TIME"/>
 <style:style style:name="Dur" style:family="table-cell" style:data-style-name="N_DUR"/>
 <style:style style:name="Bool" style:family="table-cell" style:data-style-name="N_BOOL"/>
 <style:style style:name="Head" style:family="table-cell"><style:text-properties fo:font-weight="bold"/></style:style>
</office:styles>
<office:body><office:spreadsheet>
"""
TAIL = "</office:spreadsheet></office:body></office:document>\n"


def cell(value):
    """One table cell from a Python value or a (kind, value[, style]) tuple."""
    if value is None:
        return "<table:table-cell/>"
    if isinstance(value, tuple):
        kind, val, *style = value
        st = f' table:style-name="{style[0]}"' if style else ""
        if kind == "head":
            return f'<table:table-cell table:style-name="Head" office:value-type="string"><text:p>{escape(val)}</text:p></table:table-cell>'
        if kind == "euro":
            return f'<table:table-cell table:style-name="Euro" office:value-type="currency" office:currency="EUR" office:value="{val}"/>'
        if kind == "pct":
            return f'<table:table-cell table:style-name="Pct" office:value-type="percentage" office:value="{val}"/>'
        if kind == "date":
            return f'<table:table-cell table:style-name="Date" office:value-type="date" office:date-value="{val}"/>'
        if kind == "time":
            return f'<table:table-cell table:style-name="Time" office:value-type="time" office:time-value="{val}"/>'
        if kind == "dur":
            return f'<table:table-cell table:style-name="Dur" office:value-type="time" office:time-value="{val}"/>'
        if kind == "bool":
            return f'<table:table-cell table:style-name="Bool" office:value-type="boolean" office:boolean-value="{str(val).lower()}"/>'
        if kind == "formula":
            return f'<table:table-cell{st} table:formula="{escape(val)}"/>'
        raise ValueError(kind)
    if isinstance(value, (int, float)):
        return f'<table:table-cell office:value-type="float" office:value="{value}"/>'
    paragraphs = "".join(f"<text:p>{escape(p)}</text:p>" for p in str(value).split("\n"))
    return f'<table:table-cell office:value-type="string">{paragraphs}</table:table-cell>'


def table(name, rows):
    body = "".join("<table:table-row>" + "".join(cell(v) for v in row) + "</table:table-row>\n" for row in rows)
    return f'<table:table table:name="{escape(name)}"><table:table-column table:number-columns-repeated="6"/>{body}</table:table>\n'


def budget():
    months = ["January", "February", "March", "April", "May", "June"]
    rows = [[("head", "Month"), ("head", "Income"), ("head", "Rent"), ("head", "Food"), ("head", "Saved"), ("head", "Share")]]
    for i, month in enumerate(months):
        r = i + 2
        rows.append([month, ("euro", 2450 + 35 * i), ("euro", 890), ("euro", 410.5 + 12.25 * i),
                     ("formula", f"of:=[.B{r}]-[.C{r}]-[.D{r}]", "Euro"),
                     ("formula", f"of:=[.E{r}]/[.B{r}]", "Pct")])
    rows.append([("head", "Total"), ("formula", "of:=SUM([.B2:.B7])", "Euro"), ("formula", "of:=SUM([.C2:.C7])", "Euro"),
                 ("formula", "of:=SUM([.D2:.D7])", "Euro"), ("formula", "of:=SUM([.E2:.E7])", "Euro"), None])
    return "Household Budget", table("Budget", rows)


def sales():
    regions = {"North": [1520, 1733, 1610, 1902], "South": [2210, 1985, 2402, 2650], "West": [980, 1104, 1230, 1388]}
    out = ""
    for region, figures in regions.items():
        rows = [[("head", "Quarter"), ("head", "Units"), ("head", "Growth")]]
        for q, units in enumerate(figures):
            growth = ("pct", round(units / figures[q - 1] - 1, 4)) if q else None
            rows.append([f"Q{q + 1} 2026", units, growth])
        out += table(region, rows)
    summary = [[("head", "Region"), ("head", "Units"), ("head", "Best quarter")]]
    for i, region in enumerate(regions):
        summary.append([region, ("formula", f"of:=SUM([${region}.B2:.B5])"), ("formula", f"of:=MAX([${region}.B2:.B5])")])
    out += table("Summary", summary)
    return "Sales by Region", out


def timeline():
    rows = [[("head", "Task"), ("head", "Start"), ("head", "Daily stand-up"), ("head", "Effort"), ("head", "Done"), ("head", "Notes")]]
    tasks = [("Collect requirements", "2026-01-12", "PT09H15M00S", "PT12H30M00S", True, "Interviews with\nthree teams"),
             ("Design", "2026-02-02", "PT09H15M00S", "PT40H00M00S", True, "Reviewed on 2026-02-20"),
             ("Build", "2026-03-01", "PT09H30M00S", "PT120H00M00S", False, "Ünïcödé ✓ — in progress"),
             ("Test & release", "2026-05-18", "PT10H00M00S", "PT36H45M00S", False, "")]
    for name, start, standup, effort, done, notes in tasks:
        rows.append([name, ("date", start), ("time", standup), ("dur", effort), ("bool", done), notes or None])
    return "Project Timeline", table("Plan", rows) + table("Holidays", [[("head", "Holiday"), ("head", "Date")],
                                                                        ["New Year", ("date", "2026-01-01")],
                                                                        ["Midsummer", ("date", "2026-06-19")]])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "Samples")
    os.makedirs(outdir, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        sources = []
        for make in (budget, sales, timeline):
            title, tables = make()
            path = os.path.join(work, title + ".fods")
            with open(path, "w", encoding="utf-8") as f:
                f.write(HEAD.format(title=escape(title)) + tables + TAIL)
            sources.append(path)
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless", "--convert-to", "ods",
                        "--outdir", outdir, *sources], check=True, stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
