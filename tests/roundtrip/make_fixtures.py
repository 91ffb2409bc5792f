#!/usr/bin/python3
"""Makes the round-trip test spreadsheets: flat OpenDocument XML written here,
turned into .ods by LibreOffice headless, so the .ods files are LibreOffice's own.

    make_fixtures.py OUTDIR

Files are cached: a fixture is remade only when its XML changed. Prints the
paths of the .ods files.
"""

import subprocess
import sys
import tempfile
from pathlib import Path

from xls_validity import soffice_command

NAMESPACES = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "number": "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
    "xlink": "http://www.w3.org/1999/xlink",
    "of": "urn:oasis:names:tc:opendocument:xmlns:of:1.2",
    "dc": "http://purl.org/dc/elements/1.1/",
    "meta": "urn:oasis:names:tc:opendocument:xmlns:meta:1.0",
}


def escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


def document(tables, data_styles="", cell_styles="", title=""):
    ns = " ".join(f'xmlns:{k}="{v}"' for k, v in NAMESPACES.items())
    meta = f"<office:meta><dc:title>{escape(title)}</dc:title></office:meta>" if title else ""
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
{meta}
<office:styles>{data_styles}</office:styles>
<office:automatic-styles>
<style:style style:name="hidden" style:family="table"><style:table-properties table:display="false"/></style:style>
<style:style style:name="shown" style:family="table"><style:table-properties table:display="true"/></style:style>
{cell_styles}
</office:automatic-styles>
<office:body><office:spreadsheet>
{''.join(tables)}
</office:spreadsheet></office:body>
</office:document>
"""


def table(name, rows, hidden=False):
    style = "hidden" if hidden else "shown"
    return f'<table:table table:name="{escape(name)}" table:style-name="{style}">' \
           f'<table:table-column table:number-columns-repeated="8"/>{"".join(rows)}</table:table>'


def row(*cells, repeat=1):
    attr = f' table:number-rows-repeated="{repeat}"' if repeat > 1 else ""
    return f"<table:table-row{attr}>{''.join(cells) or '<table:table-cell/>'}</table:table-row>"


def paragraphs(text):
    return "".join(f"<text:p>{escape(p)}</text:p>" for p in text.split("\n"))


def cell(kind, value=None, shown=None, style=None, extra="", body=None):
    """One table cell. kind is an office:value-type or "empty"."""
    attrs = []
    if style:
        attrs.append(f'table:style-name="{style}"')
    if kind == "empty":
        return f"<table:table-cell {' '.join(attrs)} {extra}/>"
    attrs.append(f'office:value-type="{kind}"')
    if kind in ("float", "percentage", "currency"):
        attrs.append(f'office:value="{value}"')
    elif kind == "date":
        attrs.append(f'office:date-value="{value}"')
    elif kind == "time":
        attrs.append(f'office:time-value="{value}"')
    elif kind == "boolean":
        attrs.append(f'office:boolean-value="{value}"')
    if body is None:
        body = paragraphs(shown if shown is not None else str(value))
    return f"<table:table-cell {' '.join(attrs)} {extra}>{body}</table:table-cell>"


def text(value, style=None):
    return cell("string", shown=value, style=style)


def number(value, style=None):
    return cell("float", value, style=style)


# Data styles, each used by a cell style of the same name with "c" in front.
DATA_STYLES = {
    "fixed2": '<number:number-style style:name="fixed2"><number:number number:decimal-places="2" '
              'number:min-decimal-places="2" number:min-integer-digits="1"/></number:number-style>',
    "grouped": '<number:number-style style:name="grouped"><number:number number:decimal-places="0" '
               'number:min-integer-digits="1" number:grouping="true"/></number:number-style>',
    "scientific": '<number:number-style style:name="scientific"><number:scientific-number '
                  'number:decimal-places="3" number:min-integer-digits="1" '
                  'number:min-exponent-digits="2"/></number:number-style>',
    "fraction": '<number:number-style style:name="fraction"><number:fraction '
                'number:min-integer-digits="0" number:min-numerator-digits="1" '
                'number:min-denominator-digits="2"/></number:number-style>',
    "percent1": '<number:percentage-style style:name="percent1"><number:number '
                'number:decimal-places="1" number:min-decimal-places="1" number:min-integer-digits="1"/>'
                '<number:text>%</number:text></number:percentage-style>',
    "euro": '<number:currency-style style:name="euro"><number:number number:decimal-places="2" '
            'number:min-decimal-places="2" number:min-integer-digits="1" number:grouping="true"/>'
            '<number:text> </number:text><number:currency-symbol number:language="de" '
            'number:country="DE">€</number:currency-symbol></number:currency-style>',
    "dollar": '<number:currency-style style:name="dollar"><number:currency-symbol '
              'number:language="en" number:country="US">$</number:currency-symbol><number:number '
              'number:decimal-places="2" number:min-decimal-places="2" number:min-integer-digits="1" '
              'number:grouping="true"/></number:currency-style>',
    "redneg_pos": '<number:number-style style:name="redneg_pos"><number:number '
                  'number:decimal-places="1" number:min-decimal-places="1" '
                  'number:min-integer-digits="1"/></number:number-style>',
    "redneg": '<number:number-style style:name="redneg"><style:text-properties fo:color="#ff0000"/>'
              '<number:text>-</number:text><number:number number:decimal-places="1" '
              'number:min-decimal-places="1" number:min-integer-digits="1"/>'
              '<style:map style:condition="value()&gt;=0" style:apply-style-name="redneg_pos"/>'
              '</number:number-style>',
    "isodate": '<number:date-style style:name="isodate"><number:year number:style="long"/>'
               '<number:text>-</number:text><number:month number:style="long"/>'
               '<number:text>-</number:text><number:day number:style="long"/></number:date-style>',
    "longdate": '<number:date-style style:name="longdate"><number:day-of-week number:style="long"/>'
                '<number:text>, </number:text><number:month number:textual="true" '
                'number:style="long"/><number:text> </number:text><number:day/>'
                '<number:text>, </number:text><number:year number:style="long"/></number:date-style>',
    "datetime": '<number:date-style style:name="datetime"><number:day number:style="long"/>'
                '<number:text>.</number:text><number:month number:style="long"/>'
                '<number:text>.</number:text><number:year number:style="long"/>'
                '<number:text> </number:text><number:hours number:style="long"/>'
                '<number:text>:</number:text><number:minutes number:style="long"/></number:date-style>',
    "clock": '<number:time-style style:name="clock"><number:hours number:style="long"/>'
             '<number:text>:</number:text><number:minutes number:style="long"/>'
             '<number:text>:</number:text><number:seconds number:style="long"/></number:time-style>',
    "ampm": '<number:time-style style:name="ampm"><number:hours/><number:text>:</number:text>'
            '<number:minutes number:style="long"/><number:text> </number:text><number:am-pm/>'
            '</number:time-style>',
    "duration": '<number:time-style style:name="duration" number:truncate-on-overflow="false">'
                '<number:hours/><number:text>:</number:text><number:minutes number:style="long"/>'
                '<number:text>:</number:text><number:seconds number:style="long"/></number:time-style>',
    "yesno": '<number:boolean-style style:name="yesno"><number:boolean/></number:boolean-style>',
    "textfmt": '<number:text-style style:name="textfmt"><number:text-content/></number:text-style>',
}


def cell_styles(names):
    return "".join(f'<style:style style:name="c{n}" style:family="table-cell" '
                   f'style:parent-style-name="Default" style:data-style-name="{n}"/>' for n in names)


def values_fixture():
    """Numbers, text of every shape, booleans and empty cells between them."""
    numbers = [0, 1, -1, 42, 3.5, -2.25, 0.1, 1 / 3, 1234567.891, 1e15, 2 ** 31, -(2 ** 29),
               1e-10, 123456789012, 536870911, 536870912, 0.01, 99.99]
    rows = [row(text("number"), text("text"), text("boolean"))]
    texts = ["plain", "Ærøskøbing – ÿ", "日本語のテキスト", "emoji 😀 outside the BMP", "",
             "first paragraph\nsecond paragraph\nthird", "  leading and trailing  ",
             "quote \" apostrophe ' < & >", "=not a formula", "12345", "TRUE"]
    for i, value in enumerate(numbers):
        row_cells = [number(repr(float(value)) if isinstance(value, float) else value)]
        row_cells.append(text(texts[i]) if i < len(texts) and texts[i] else cell("empty"))
        if i < 2:
            row_cells.append(cell("boolean", "true" if i == 0 else "false",
                                  shown="TRUE" if i == 0 else "FALSE"))
        rows.append(row(*row_cells))
    # Markup inside a paragraph: spaces, tab, line break, span and link flatten to text.
    rows.append(row(cell("string", body='<text:p>a<text:s text:c="3"/>b<text:tab/>c'
                                        '<text:line-break/>d <text:span>span</text:span> '
                                        '<text:a xlink:href="https://example.org/">link</text:a></text:p>'),
                    cell("empty", extra='table:number-columns-repeated="3"'),
                    number(7)))
    rows.append(row(text("repeated"), extra_repeat_cells()))
    long_text = "".join(f"line {i:04d} of a long cell; " for i in range(700))
    rows.append(row(text(long_text)))
    tables = [table("Values", rows)]
    return document(tables, title="Values fixture")


def extra_repeat_cells():
    return cell("float", 5, extra='table:number-columns-repeated="3"')


def formats_fixture():
    names = list(DATA_STYLES)
    styles = "".join(DATA_STYLES.values())
    rows = [row(text("format"), text("cell"), text("cell"), text("cell"))]

    def line(label, *cells):
        rows.append(row(text(label), *cells))

    line("fixed", number(3.14159, "cfixed2"), number(-0.005, "cfixed2"), number(1e6, "cfixed2"))
    line("grouped", number(1234567, "cgrouped"), number(-9876.5, "cgrouped"), number(0, "cgrouped"))
    line("scientific", number(12345.678, "cscientific"), number(-0.00012, "cscientific"))
    line("fraction", number(0.75, "cfraction"), number(2.375, "cfraction"), number(-1.2, "cfraction"))
    line("percent", cell("percentage", 0.125, "12.5%", "cpercent1"),
         cell("percentage", -0.5, "-50.0%", "cpercent1"), cell("percentage", 1.5, "150.0%", "cpercent1"))
    line("euro", cell("currency", 1234.5, "1.234,50 €", "ceuro", 'office:currency="EUR"'),
         cell("currency", -3, "-3,00 €", "ceuro", 'office:currency="EUR"'))
    line("dollar", cell("currency", 99.95, "$99.95", "cdollar", 'office:currency="USD"'),
         cell("currency", -1000000, "-$1,000,000.00", "cdollar", 'office:currency="USD"'))
    line("red negative", number(-4.5, "credneg"), number(4.5, "credneg"), number(0, "credneg"))
    line("iso date", cell("date", "2024-02-29", "2024-02-29", "cisodate"),
         cell("date", "1900-03-01", "1900-03-01", "cisodate"),
         cell("date", "2099-12-31", "2099-12-31", "cisodate"))
    line("long date", cell("date", "2021-07-04", "Sunday, July 4, 2021", "clongdate"))
    line("date time", cell("date", "2024-02-29T13:45:00", "29.02.2024 13:45", "cdatetime"),
         cell("date", "1999-12-31T23:59:00", "31.12.1999 23:59", "cdatetime"))
    line("time", cell("time", "PT13H45M30S", "13:45:30", "cclock"),
         cell("time", "PT00H00M01S", "00:00:01", "cclock"))
    line("am pm", cell("time", "PT18H05M00S", "6:05 PM", "campm"),
         cell("time", "PT07H30M00S", "7:30 AM", "campm"))
    line("duration", cell("time", "PT36H10M05S", "36:10:05", "cduration"),
         cell("time", "PT100H00M00S", "100:00:00", "cduration"))
    line("boolean", cell("boolean", "true", "TRUE", "cyesno"), cell("boolean", "false", "FALSE", "cyesno"))
    line("text format", cell("string", shown="0042", style="ctextfmt"), number(17, "ctextfmt"))
    line("default date", cell("date", "2020-01-31", "01/31/20"))
    line("default time", cell("time", "PT08H15M00S", "08:15:00 AM"))
    line("default percent", cell("percentage", 0.07, "7%"))
    return document([table("Formats", rows)], styles, cell_styles(names), "Formats fixture")


def structure_fixture():
    """Several sheets, one hidden, merged cells, long runs of repeated rows."""
    first = [row(cell("string", shown="merged across", extra='table:number-columns-spanned="2"'),
                 '<table:covered-table-cell/>', text("after")),
             row(cell("string", shown="block", extra='table:number-columns-spanned="2" '
                                                     'table:number-rows-spanned="2"'),
                 '<table:covered-table-cell/>', number(1)),
             row('<table:covered-table-cell/><table:covered-table-cell/>', number(2)),
             row(number(10), number(20), repeat=200),
             row(cell("empty"), repeat=50),
             row(text("after the gap"))]
    tables = [table("First", first),
              table("Hidden one", [row(text("not shown"), number(3))], hidden=True),
              table("Ünïcødé ščítá", [row(text("ß"), number(-7.5))]),
              table("Empty", [row(cell("empty"))]),
              table("Last", [row(cell("empty"), cell("empty"), number(99)),
                             row(cell("empty"), repeat=1000),
                             row(cell("empty", extra='table:number-columns-repeated="6"'),
                                 text("far"))])]
    return document(tables, title="Structure fixture")


def limits_fixture():
    """What does not fit in Excel 97: long and forbidden sheet names, rows and
    columns beyond its grid, a string longer than a cell may hold."""
    far_row = [row(text("top"), number(1)),
               row(cell("empty"), repeat=65534),
               row(text("last row that fits"), number(65536)),
               row(text("beyond the last row"), number(65537))]
    wide = row(*([number(c) for c in range(1, 6)]
                 + [cell("empty", extra='table:number-columns-repeated="250"')]
                 + [number(256), number(257), text("column beyond")]))
    huge = "x" * 32767 + "cut here"
    tables = [table("A sheet name far longer than thirty-one characters", [row(text("long name"))]),
              table("bad[chars]:*?/\\", [row(text("bad name"))]),
              table("A SHEET NAME FAR LONGER THAN THIRTY-ONE CHARACTERS 2", [row(text("case"))]),
              table("Rows", far_row),
              table("Columns", [wide]),
              table("Long text", [row(text(huge)), row(text("after"))])]
    return document(tables, title="Limits fixture")


def formula(expression, kind="float", value=0, shown=None):
    """A formula cell with a cached result (LibreOffice recalculates on load)."""
    return cell(kind, value, shown, extra=f'table:formula="of:={escape(expression)}"')


def formulas_fixture():
    """Formulas over numbers and text, within and across sheets."""
    data = [row(number(2), number(3), text("pear"), cell("boolean", "true", "TRUE")),
            row(number(-4.5), number(10), text("plum"), number(0.25)),
            row(formula("[.A1]+[.B1]"), formula("SUM([.A1:.B2])*2"), formula("[.C1]&\" \"&[.C2]", "string"),
                formula("IF([.A2]<0;\"negative\";\"positive\")", "string")),
            row(formula("ROUND([.B2]/3;2)"), formula("[$'Other sheet'.$A$1]*2"),
                formula("COUNTIF([.A1:.B2];\">0\")"), formula("AND([.D1];[.A1]>1)", "boolean", "true", "TRUE")),
            row(formula("VLOOKUP(\"plum\";[.C1:.D2];2;0)"), formula("MAX([.A1:.B2])-MIN([.A1:.B2])"),
                formula("LEN([.C1])"), formula("[.B2]^2%"))]
    other = [row(number(21), formula("[$Data.B1]+[.A1]"), formula("SUM([$Data.A1:.B2])"))]
    return document([table("Data", data), table("Other sheet", other)], title="Formulas fixture")


FIXTURES = {
    "values": values_fixture,
    "formats": formats_fixture,
    "structure": structure_fixture,
    "limits": limits_fixture,
    "formulas": formulas_fixture,
}


def make_from_flat(outdir, fixtures, after_conversion=None):
    """Writes each flat document of `fixtures` ({name: builder}) and has
    LibreOffice turn the changed ones into .ods; `after_conversion(flat)` runs
    on each one converted. Returns {name: .ods path}."""
    outdir = Path(outdir)
    outdir.mkdir(parents=True, exist_ok=True)
    stale = []
    for name, build in fixtures.items():
        xml = build()
        flat = outdir / f"{name}.fods"
        ods = outdir / f"{name}.ods"
        if not ods.exists() or not flat.exists() or flat.read_text(encoding="utf-8") != xml:
            flat.write_text(xml, encoding="utf-8")
            ods.unlink(missing_ok=True)
            stale.append(flat)
    if stale:
        with tempfile.TemporaryDirectory() as profile:
            subprocess.run(soffice_command(profile) + ["--convert-to", "ods", "--outdir", str(outdir)]
                           + [str(f) for f in stale], check=True, capture_output=True, timeout=600)
        for flat in stale:
            if after_conversion:
                after_conversion(flat)
    result = {name: outdir / f"{name}.ods" for name in fixtures}
    missing = [str(p) for p in result.values() if not p.exists()]
    if missing:
        raise RuntimeError(f"LibreOffice did not make {', '.join(missing)}")
    return result


def make(outdir):
    """Writes every fixture, converts the changed ones; returns {name: .ods path}."""
    return make_from_flat(outdir, FIXTURES)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for path in make(sys.argv[1]).values():
        print(path)
