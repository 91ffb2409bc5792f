#!/usr/bin/python3
"""Makes formatting-rich spreadsheets: flat OpenDocument XML written here,
turned into .ods by LibreOffice headless, so the .ods files are LibreOffice's
own. They exercise everything about a workbook's look that Excel 97 can hold:
fonts, colours off the default palette, every border style and width,
alignments and rotations, widths, heights, hidden and grouped rows and
columns, merges, frozen panes, zoom, tab colours, print setup, notes and
hyperlinks.

    make_look_fixtures.py OUTDIR

Prints the paths of the .ods files.
"""

import re
import sys
import zipfile
from pathlib import Path

from make_fixtures import NAMESPACES, escape, make_from_flat

# The settings' set names ("ooo:view-settings") are qualified names: without
# the ooo prefix declared, LibreOffice ignores the view settings.
NAMESPACES = dict(NAMESPACES, config="urn:oasis:names:tc:opendocument:xmlns:config:1.0",
                  ooo="http://openoffice.org/2004/office")

FONTS = ["Liberation Sans", "Liberation Serif", "Liberation Mono", "DejaVu Sans", "Carlito", "Nimbus Roman"]
# Colours chosen off Excel's default palette, so a palette of exact colours is needed.
COLOURS = ["#1f4e79", "#c55a11", "#548235", "#7030a0", "#bf9000", "#2e75b6", "#a9d18e", "#f4b183",
           "#d5a6bd", "#76a5af", "#e06666", "#6aa84f", "#3c78d8", "#b45f06", "#741b47", "#ffd966",
           "#134f5c", "#cc4125", "#45818e", "#8e7cc3"]
BORDER_STYLES = ["solid", "dotted", "dashed", "fine-dashed", "dash-dot", "dash-dot-dot", "double"]
BORDER_WIDTHS = ["0.05pt", "0.75pt", "1.75pt", "2.5pt"]


def style(name, family, *props, parent="Default", extra=""):
    parent_attr = f' style:parent-style-name="{parent}"' if parent and family == "table-cell" else ""
    return f'<style:style style:name="{name}" style:family="{family}"{parent_attr}{extra}>{"".join(props)}</style:style>'


def cell_props(**attrs):
    return "<style:table-cell-properties " + " ".join(f'{k.replace("__", ":").replace("_", "-")}="{v}"'
                                                       for k, v in attrs.items()) + "/>"


def text_props(**attrs):
    return "<style:text-properties " + " ".join(f'{k.replace("__", ":").replace("_", "-")}="{v}"'
                                                 for k, v in attrs.items()) + "/>"


def para_props(**attrs):
    return "<style:paragraph-properties " + " ".join(f'{k.replace("__", ":").replace("_", "-")}="{v}"'
                                                      for k, v in attrs.items()) + "/>"


def text_cell(value, style_name=None, extra="", inner=""):
    style_attr = f' table:style-name="{style_name}"' if style_name else ""
    body = "".join(f"<text:p>{escape(line)}</text:p>" for line in value.split("\n")) if not inner else inner
    return f'<table:table-cell{style_attr} office:value-type="string"{extra}>{body}</table:table-cell>'


def number_cell(value, style_name=None, extra=""):
    style_attr = f' table:style-name="{style_name}"' if style_name else ""
    return f'<table:table-cell{style_attr} office:value-type="float" office:value="{value}"{extra}><text:p>{value}</text:p></table:table-cell>'


def row(*cells, style_name=None, extra=""):
    style_attr = f' table:style-name="{style_name}"' if style_name else ""
    return f"<table:table-row{style_attr}{extra}>{''.join(cells) or '<table:table-cell/>'}</table:table-row>"


def sheet(name, body, style_name="ta1", extra=""):
    return f'<table:table table:name="{escape(name)}" table:style-name="{style_name}"{extra}>{body}</table:table>'


def view_settings(tables, active):
    """settings.xml's view part: per sheet (name: dict of items) and the active sheet."""
    kinds = {"CursorPositionX": "int", "CursorPositionY": "int", "HorizontalSplitMode": "short",
             "VerticalSplitMode": "short", "HorizontalSplitPosition": "int", "VerticalSplitPosition": "int",
             "ActiveSplitRange": "short", "PositionLeft": "int", "PositionRight": "int", "PositionTop": "int",
             "PositionBottom": "int", "ZoomType": "short", "ZoomValue": "int", "PageViewZoomValue": "int",
             "ShowGrid": "boolean", "TabColor": "int"}
    entries = []
    for name, items in tables.items():
        values = "".join(f'<config:config-item config:name="{k}" config:type="{kinds[k]}">'
                         f'{str(v).lower() if isinstance(v, bool) else v}</config:config-item>' for k, v in items.items())
        entries.append(f'<config:config-item-map-entry config:name="{escape(name)}">{values}</config:config-item-map-entry>')
    return ('<office:settings><config:config-item-set config:name="ooo:view-settings">'
            '<config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>'
            '<config:config-item config:name="ViewId" config:type="string">view1</config:config-item>'
            f'<config:config-item-map-named config:name="Tables">{"".join(entries)}</config:config-item-map-named>'
            f'<config:config-item config:name="ActiveTable" config:type="string">{escape(active)}</config:config-item>'
            '<config:config-item config:name="ShowGrid" config:type="boolean">true</config:config-item>'
            '</config:config-item-map-entry></config:config-item-map-indexed></config:config-item-set></office:settings>')


def document(tables, automatic, master="", settings="", styles=""):
    ns = " ".join(f'xmlns:{k}="{v}"' for k, v in NAMESPACES.items())
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
{settings}
<office:styles><style:style style:name="Default" style:family="table-cell"/>{styles}</office:styles>
<office:automatic-styles>
<style:style style:name="ta1" style:family="table"><style:table-properties table:display="true"/></style:style>
<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="2.5cm"/></style:style>
{"".join(automatic)}
</office:automatic-styles>
<office:master-styles>{master}</office:master-styles>
<office:body><office:spreadsheet>
{"".join(tables)}
</office:spreadsheet></office:body>
</office:document>
"""


def fonts_and_colours():
    """Fonts, sizes, every text decoration, font and fill colours off the default palette."""
    automatic, rows = [], []
    decorations = [("bold", text_props(fo__font_weight="bold")),
                   ("italic", text_props(fo__font_style="italic")),
                   ("underline", text_props(style__text_underline_style="solid", style__text_underline_width="auto",
                                            style__text_underline_color="font-color")),
                   ("double underline", text_props(style__text_underline_style="solid", style__text_underline_type="double",
                                                   style__text_underline_width="auto", style__text_underline_color="font-color")),
                   ("strike", text_props(style__text_line_through_style="solid")),
                   ("super", text_props(style__text_position="super 58%")),
                   ("sub", text_props(style__text_position="sub 58%"))]
    for i, family in enumerate(FONTS):
        size = [8, 10, 11, 12, 14, 18][i]
        automatic.append(style(f"font{i}", "table-cell", text_props(fo__font_family=family, fo__font_size=f"{size}pt")))
        cells = [text_cell(f"{family} {size}", f"font{i}")]
        for j, (label, props) in enumerate(decorations):
            name = f"deco{i}_{j}"
            automatic.append(style(name, "table-cell", text_props(fo__font_family=family, fo__font_size=f"{size}pt"), props))
            cells.append(text_cell(label, name))
        rows.append(row(*cells))
    for i, colour in enumerate(COLOURS):
        automatic.append(style(f"fg{i}", "table-cell", text_props(fo__color=colour, fo__font_weight="bold")))
        automatic.append(style(f"bg{i}", "table-cell", cell_props(fo__background_color=colour)))
        automatic.append(style(f"both{i}", "table-cell", cell_props(fo__background_color=colour),
                               text_props(fo__color=COLOURS[-1 - i])))
        rows.append(row(text_cell(f"text {colour}", f"fg{i}"), text_cell(f"fill {colour}", f"bg{i}"),
                        number_cell(i * 1.5, f"both{i}")))
    columns = '<table:table-column table:style-name="co1" table:number-columns-repeated="8"/>'
    return document([sheet("Fonts", columns + "".join(rows))], automatic)


def borders_and_alignment():
    """Every border style in every width class, diagonals, alignments, wrap,
    shrink, indent, rotations, stacked text and protection flags."""
    automatic, rows = [], [row()]
    for i, line in enumerate(BORDER_STYLES):
        cells = [text_cell(line)]
        for j, width in enumerate(BORDER_WIDTHS):
            if line == "double" and j < 2:
                width = "2.5pt"  # a double line needs room for its two strokes
            colour = COLOURS[(i * 4 + j) % len(COLOURS)]
            name = f"b{i}_{j}"
            automatic.append(style(name, "table-cell", cell_props(fo__border=f"{width} {line} {colour}")))
            cells.append(text_cell(width, name))
            cells.append("<table:table-cell/>")
        rows.append(row(*cells))
        rows.append(row())
    automatic.append(style("mixed", "table-cell", cell_props(
        fo__border_top="0.75pt solid #ff0000", fo__border_bottom="2.5pt double #0000ff",
        fo__border_left="1.75pt dashed #00aa00", fo__border_right="0.75pt dotted #7030a0")))
    automatic.append(style("diag", "table-cell", cell_props(style__diagonal_tl_br="0.75pt solid #c00000",
                                                            style__diagonal_bl_tr="0.75pt solid #0070c0")))
    rows.append(row(text_cell("four sides", "mixed"), "<table:table-cell/>", text_cell("diagonals", "diag")))
    rows.append(row())

    alignments = [("left", para_props(fo__text_align="start"), ""),
                  ("centre", para_props(fo__text_align="center"), ""),
                  ("right", para_props(fo__text_align="end"), ""),
                  ("justified text that runs long", para_props(fo__text_align="justify"), ""),
                  ("fill", para_props(fo__text_align="start"), cell_props(style__repeat_content="true")),
                  ("top", "", cell_props(style__vertical_align="top")),
                  ("middle", "", cell_props(style__vertical_align="middle")),
                  ("bottom", "", cell_props(style__vertical_align="bottom")),
                  ("wrapped text over several lines", "", cell_props(fo__wrap_option="wrap")),
                  ("shrunk to fit its narrow column", "", cell_props(style__shrink_to_fit="true")),
                  ("indented", para_props(fo__text_align="start", fo__margin_left="0.3cm"), ""),
                  ("45 degrees", "", cell_props(style__rotation_angle="45")),
                  ("90 degrees", "", cell_props(style__rotation_angle="90")),
                  ("minus 30", "", cell_props(style__rotation_angle="330")),
                  ("stacked", "", cell_props(style__direction="ttb")),
                  ("unlocked", "", cell_props(style__cell_protect="none")),
                  ("formula hidden", "", cell_props(style__cell_protect="hidden-and-protected"))]
    cells = []
    for i, (label, para, props) in enumerate(alignments):
        automatic.append(style(f"al{i}", "table-cell", props, para))
        cells.append(text_cell(label, f"al{i}"))
        if len(cells) == 6:
            rows.append(row(*cells, style_name="tall"))
            cells = []
    rows.append(row(*cells, style_name="tall"))
    automatic.append(style("tall", "table-row", '<style:table-row-properties style:row-height="1.6cm" '
                                                'style:use-optimal-row-height="false"/>'))
    columns = '<table:table-column table:style-name="co1" table:number-columns-repeated="9"/>'
    return document([sheet("Borders", columns + "".join(rows)),
                     sheet("Protected", row(text_cell("locked sheet")), "tprot", ' table:protected="true"')],
                    automatic + [style("tprot", "table", '<style:table-properties table:display="true"/>')])


def sheet_settings():
    """Widths, heights, hidden and grouped rows and columns, merges, panes,
    zoom, tab colours, gridlines, right to left, print setup, notes, links."""
    automatic = [
        style("cw1", "table-column", '<style:table-column-properties style:column-width="1.2cm"/>'),
        style("cw2", "table-column", '<style:table-column-properties style:column-width="4.5cm"/>'),
        style("cw3", "table-column", '<style:table-column-properties style:column-width="0.8in"/>'),
        style("rh1", "table-row", '<style:table-row-properties style:row-height="1.1cm" style:use-optimal-row-height="false"/>'),
        style("rh2", "table-row", '<style:table-row-properties style:row-height="0.3cm" style:use-optimal-row-height="false"/>'),
        style("big", "table-cell", text_props(fo__font_size="20pt", fo__font_weight="bold"),
              cell_props(fo__background_color="#deebf7")),
        style("two", "table-cell", text_props(fo__font_size="14pt")),
        style("merged", "table-cell", cell_props(fo__background_color="#fff2cc", style__vertical_align="middle",
                                                 fo__border="0.75pt solid #bf9000"), para_props(fo__text_align="center")),
        style("tprint", "table", '<style:table-properties table:display="true"/>', extra=' style:master-page-name="Report"'),
        style("tplain", "table", '<style:table-properties table:display="true"/>', extra=' style:master-page-name="Plain"'),
        style("thidden", "table", '<style:table-properties table:display="false"/>'),
        '<style:page-layout style:name="pmReport"><style:page-layout-properties fo:page-width="29.7cm" '
        'fo:page-height="21cm" style:print-orientation="landscape" fo:margin-top="1.5cm" fo:margin-bottom="1.2cm" '
        'fo:margin-left="2cm" fo:margin-right="1cm" style:scale-to="80%" style:table-centering="horizontal" '
        'style:print="grid headers"/>'
        '<style:header-style><style:header-footer-properties fo:min-height="0.6cm" fo:margin-bottom="0.25cm"/></style:header-style>'
        '<style:footer-style><style:header-footer-properties fo:min-height="0.6cm" fo:margin-top="0.25cm"/></style:footer-style>'
        '</style:page-layout>',
        '<style:page-layout style:name="pmPlain"><style:page-layout-properties fo:page-width="21.59cm" '
        'fo:page-height="27.94cm" style:print-orientation="portrait" style:scale-to-X="1" style:scale-to-Y="2"/></style:page-layout>',
    ]
    master = ('<style:master-page style:name="Report" style:page-layout-name="pmReport">'
              '<style:header><style:region-left><text:p>Quarterly <text:sheet-name>???</text:sheet-name></text:p></style:region-left>'
              '<style:region-center><text:p><text:title>Title</text:title></text:p></style:region-center>'
              '<style:region-right><text:p><text:date>2026-01-01</text:date> <text:time>12:00</text:time></text:p></style:region-right></style:header>'
              '<style:footer><style:region-left><text:p><text:file-name>name</text:file-name></text:p></style:region-left>'
              '<style:region-center><text:p>Page <text:page-number>1</text:page-number> of <text:page-count>9</text:page-count></text:p></style:region-center>'
              '</style:footer></style:master-page>'
              '<style:master-page style:name="Plain" style:page-layout-name="pmPlain"/>')

    note = ('<office:annotation office:display="false"><dc:creator>Ada Reviewer</dc:creator>'
            '<dc:date>2026-03-04T10:00:00</dc:date><text:p>Check this figure.</text:p><text:p>Second line.</text:p></office:annotation>')
    shown_note = ('<office:annotation office:display="true"><dc:creator>Bo</dc:creator>'
                  '<text:p>Always shown</text:p></office:annotation>')
    link = '<text:p><text:a xlink:type="simple" xlink:href="https://example.org/report?q=1">example.org</text:a></text:p>'
    inner = "<text:p><text:a xlink:type=\"simple\" xlink:href=\"#'Second sheet'.B3\">to B3</text:a></text:p>"

    columns = ('<table:table-column table:style-name="cw2"/>'
               '<table:table-column table:style-name="cw1" table:number-columns-repeated="2"/>'
               '<table:table-column table:style-name="co1" table:visibility="collapse"/>'
               '<table:table-column-group><table:table-column table:style-name="cw3" table:number-columns-repeated="2"/>'
               '</table:table-column-group><table:table-column table:style-name="co1" table:number-columns-repeated="3"/>')
    body = [row(text_cell("Title row", "big"), text_cell("wide"), extra=""),
            row(text_cell("tall row"), number_cell(1), number_cell(2), number_cell(3), style_name="rh1"),
            row(text_cell("low row"), style_name="rh2"),
            row(text_cell("14 pt", "two"), number_cell(4)),
            row(text_cell("hidden row"), number_cell(5), extra=' table:visibility="collapse"'),
            '<table:table-row-group>',
            row(text_cell("grouped 1"), number_cell(6)),
            row(text_cell("grouped 2"), number_cell(7)),
            '<table:table-row-group>', row(text_cell("nested"), number_cell(8)), '</table:table-row-group>',
            '</table:table-row-group>',
            row(text_cell("merged block", "merged", ' table:number-columns-spanned="3" table:number-rows-spanned="2"'),
                '<table:covered-table-cell table:number-columns-repeated="2"/>'),
            row('<table:covered-table-cell table:number-columns-repeated="3"/>'),
            row(text_cell("noted", inner=f"{note}<text:p>noted</text:p>"), text_cell("shown", inner=f"{shown_note}<text:p>shown</text:p>")),
            row(text_cell("link", inner=link), text_cell("inner", inner=inner)),
            row(text_cell("two\nlines"), text_cell("three\nline\ncell")),
            ]
    first = sheet("Layout", columns + "".join(body), "tprint")
    second = sheet("Second sheet", '<table:table-column table:style-name="co1" table:number-columns-repeated="3"/>'
                   + "".join(row(text_cell(f"r{r}"), number_cell(r), number_cell(r * r)) for r in range(1, 30)), "tplain")
    third = sheet("Hidden one", row(text_cell("not shown")), "thidden")
    settings = view_settings({
        "Layout": {"CursorPositionX": 2, "CursorPositionY": 5, "HorizontalSplitMode": 2, "VerticalSplitMode": 2,
                   "HorizontalSplitPosition": 1, "VerticalSplitPosition": 2, "ActiveSplitRange": 3,
                   "PositionLeft": 0, "PositionRight": 1, "PositionTop": 0, "PositionBottom": 2,
                   "ZoomType": 0, "ZoomValue": 125, "PageViewZoomValue": 60, "ShowGrid": False, "TabColor": 0xC55A11},
        "Second sheet": {"CursorPositionX": 1, "CursorPositionY": 3, "HorizontalSplitMode": 0, "VerticalSplitMode": 0,
                         "ZoomType": 0, "ZoomValue": 75, "PageViewZoomValue": 60, "TabColor": 0x548235},
    }, "Layout")
    return document([first, second, third], automatic, master, settings)


def right_to_left():
    """A sheet written right to left, with a tab colour of its own."""
    automatic = [style("trtl", "table", '<style:table-properties table:display="true" style:writing-mode="rl-tb"/>')]
    body = '<table:table-column table:style-name="co1" table:number-columns-repeated="3"/>' + \
        "".join(row(text_cell(f"שורה {r}"), number_cell(r)) for r in range(1, 6))
    settings = view_settings({"RTL": {"ZoomType": 0, "ZoomValue": 90, "PageViewZoomValue": 60, "TabColor": 0x7030A0}}, "RTL")
    return document([sheet("RTL", body, "trtl")], automatic, settings=settings)


def row_runs():
    """Rows whose height is left to the application: one line beside two
    paragraphs, a run of empty rows across the 201st row (kept at its stored
    height), and a run to the end of the sheet at a height of its own. (A
    line feed written within a paragraph cannot be part of it: LibreOffice
    saves it as a line break.)"""
    automatic = [
        style("auto1", "table-row", '<style:table-row-properties style:row-height="0.452cm" style:use-optimal-row-height="true"/>'),
        style("across", "table-row", '<style:table-row-properties style:row-height="0.8cm" style:use-optimal-row-height="true"/>'),
        style("filler", "table-row", '<style:table-row-properties style:row-height="0.7cm" style:use-optimal-row-height="true"/>'),
    ]
    body = '<table:table-column table:style-name="co1" table:number-columns-repeated="3"/>' + \
        row(text_cell("one line"), style_name="auto1") + \
        row(text_cell("two\nparagraphs"), style_name="auto1") + \
        row(extra=' table:number-rows-repeated="250"', style_name="across") + \
        row(number_cell(1), style_name="auto1") + \
        row(extra=f' table:number-rows-repeated="{1048576 - 253}"', style_name="filler")
    return document([sheet("Rows", body), wrapped_text(automatic), stretches(automatic), raised(automatic)], automatic)


def wrapped_text(automatic):
    """Rows sized to text the office breaks into lines: wrapped in a narrow
    column, a word longer than the column, wrapped over a merge within its
    row, justified (which wraps too), and parts in a larger font. The stored
    heights are one line each, so only laying the text out gives the
    office's."""
    automatic += [
        style("conarrow", "table-column", '<style:table-column-properties style:column-width="1.85cm"/>'),
        style("wrap", "table-cell", cell_props(fo__wrap_option="wrap")),
        style("justify", "table-cell", para_props(fo__text_align="justify")),
        style("T20", "text", text_props(fo__font_size="20pt")),
    ]
    quick = "The quick brown fox jumps over the lazy dog"
    larger = f'<text:p>small <text:span text:style-name="T20">larger</text:span> small</text:p>'
    body = '<table:table-column table:style-name="conarrow"/><table:table-column table:style-name="co1" table:number-columns-repeated="3"/>' + \
        row(text_cell(quick, "wrap"), style_name="auto1") + \
        row(text_cell("Donaudampfschifffahrtsgesellschaft", "wrap"), style_name="auto1") + \
        row(text_cell(quick, "wrap", ' table:number-columns-spanned="3" table:number-rows-spanned="1"'),
            '<table:covered-table-cell table:number-columns-repeated="2"/>', style_name="auto1") + \
        row(text_cell("", extra=' table:number-columns-spanned="1"'), text_cell(quick + " twice, " + quick, "justify"),
            style_name="auto1") + \
        row(text_cell("", inner=larger), style_name="auto1") + \
        row(text_cell("", "wrap", inner=larger), style_name="auto1")
    return sheet("Wrapped", body)


def raised(automatic):
    """Rows of text with raised and lowered parts, which deepen their lines
    by their offsets: a subscript in Carlito beside the same text plain, a
    small superscript far up, a superscript the office places itself (within
    the line, which is that of formatted text), a lowered part larger than
    its cell's text, a raised and a lowered part on one line, and a lowered
    part in the first of two paragraphs."""
    automatic += [
        style("carlito", "table-cell", text_props(fo__font_family="Carlito", fo__font_size="12pt")),
        style("Tlow", "text", text_props(style__text_position="-33% 58%")),
        style("Thigh", "text", text_props(style__text_position="100% 33%")),
        style("Tauto", "text", text_props(style__text_position="super 58%")),
        style("Tdeep", "text", text_props(style__text_position="-66% 100%", fo__font_size="16pt")),
        style("Tup", "text", text_props(style__text_position="33% 58%")),
    ]
    def spans(*parts):
        return "<text:p>" + "".join(f'<text:span text:style-name="{s}">{t}</text:span>' if s else t
                                    for t, s in parts) + "</text:p>"
    body = '<table:table-column table:style-name="co1" table:number-columns-repeated="2"/>' + \
        row(text_cell("", "carlito", inner=spans(("H", None), ("2", "Tlow"), ("O", None))), style_name="auto1") + \
        row(text_cell("H2O", "carlito"), style_name="auto1") + \
        row(text_cell("", inner=spans(("x", None), ("2", "Thigh"))), style_name="auto1") + \
        row(text_cell("", "carlito", inner=spans(("E=mc", None), ("2", "Tauto"))), style_name="auto1") + \
        row(text_cell("", inner=spans(("deep ", None), ("down", "Tdeep"))), style_name="auto1") + \
        row(text_cell("", inner=spans(("a", None), ("up", "Tup"), ("down", "Tlow"))), style_name="auto1") + \
        row(text_cell("", inner=spans(("first ", None), ("low", "Tlow")) + "<text:p>second</text:p>"), style_name="auto1")
    return sheet("Raised", body)


def stretches(automatic):
    """Rows the office lays out again but sets only in stretches of adjacent
    rows of the same new height where a row changes on screen: a row stored a
    little higher than its line keeps that height, beside a row of another
    height; with a much higher neighbour of the same line both are set. And a
    text in a span whose style repeats the cell's font, which the office lays
    out as formatted text, a little lower than the same text plain."""
    automatic += [
        style("near", "table-row", '<style:table-row-properties style:row-height="0.465cm" style:use-optimal-row-height="true"/>'),
        style("high", "table-row", '<style:table-row-properties style:row-height="0.6cm" style:use-optimal-row-height="true"/>'),
        style("big", "table-cell", text_props(fo__font_size="20pt")),
        style("title", "table-cell", text_props(fo__font_size="24pt", fo__font_weight="bold")),
        style("Ttitle", "text", text_props(fo__font_size="24pt", fo__font_weight="bold")),
    ]
    spanned = '<text:p><text:span text:style-name="Ttitle">Heading text</text:span></text:p>'
    body = '<table:table-column table:style-name="co1" table:number-columns-repeated="2"/>' + \
        row(text_cell("kept"), style_name="near") + \
        row(text_cell("larger", "big"), style_name="high") + \
        row(text_cell("set"), style_name="near") + \
        row(text_cell("set"), style_name="high") + \
        row(text_cell("larger", "big"), style_name="high") + \
        row(text_cell("", "title", inner=spanned), style_name="auto1") + \
        row(text_cell("Heading text", "title"), style_name="auto1")
    return sheet("Stretches", body)


def merged_borders():
    """Merged ranges in columns whose default style draws borders: a merge
    whose first cell is bold without borders and whose covered cell is of
    the plain default style, blanks of the plain style in those columns, and
    a merge whose cells have borders of their own on different sides."""
    automatic = [
        style("cboxed", "table-cell", cell_props(fo__border="0.06pt solid #000000")),
        style("cfilled", "table-cell", cell_props(fo__border="0.06pt solid #000000", fo__background_color="#00ffff")),
        style("bold", "table-cell", text_props(fo__font_weight="bold")),
        style("topleft", "table-cell", cell_props(fo__border_top="0.75pt solid #c00000", fo__border_left="0.75pt solid #c00000")),
        style("bottomright", "table-cell", cell_props(fo__border_bottom="2.5pt solid #0000ff", fo__border_right="2.5pt solid #0000ff")),
    ]
    plain = '<table:table-cell table:style-name="Default"/>'
    columns = ('<table:table-column table:style-name="co1" table:default-cell-style-name="Default"/>'
               '<table:table-column table:style-name="co1" table:default-cell-style-name="cboxed"/>'
               '<table:table-column table:style-name="co1" table:default-cell-style-name="cfilled"/>'
               '<table:table-column table:style-name="co1" table:number-columns-repeated="3" table:default-cell-style-name="Default"/>')
    body = columns + \
        row("<table:table-cell/>", plain, plain, text_cell("plain blanks over boxed columns")) + \
        row("<table:table-cell/>", text_cell("merged", "bold", ' table:number-columns-spanned="2" table:number-rows-spanned="1"'),
            '<table:covered-table-cell table:style-name="Default"/>') + \
        row("<table:table-cell/>", "<table:table-cell/>", "<table:table-cell/>", text_cell("mixed", "topleft",
            ' table:number-columns-spanned="2" table:number-rows-spanned="2"'), '<table:covered-table-cell/>') + \
        row("<table:table-cell/>", "<table:table-cell/>", "<table:table-cell/>", '<table:covered-table-cell/>',
            '<table:covered-table-cell table:style-name="bottomright"/>') + \
        row("<table:table-cell/>", text_cell("below"))
    return document([sheet("Merges", body)], automatic)


FIXTURES = {"look_fonts": fonts_and_colours, "look_borders": borders_and_alignment,
            "look_sheet": sheet_settings, "look_rtl": right_to_left, "look_rows": row_runs,
            "look_merges": merged_borders}


def put_view_settings(flat, ods):
    """LibreOffice headless has no view, so its .ods loses the view settings
    (panes, zoom, tab colours, cursor): put the flat file's back in."""
    found = re.search(r"<office:settings>.*</office:settings>", flat.read_text(encoding="utf-8"), re.S)
    if not found or not ods.exists():
        return
    ns = " ".join(f'xmlns:{k}="{v}"' for k, v in NAMESPACES.items())
    settings = (f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document-settings {ns} office:version="1.3">'
                f"{found.group(0)}</office:document-settings>")
    rewritten = ods.with_suffix(".tmp")
    with zipfile.ZipFile(ods) as source, zipfile.ZipFile(rewritten, "w") as target:
        for item in source.infolist():
            data = settings.encode() if item.filename == "settings.xml" else source.read(item)
            target.writestr(item, data)  # keeps the stored, uncompressed mimetype first
    rewritten.replace(ods)


def make(outdir):
    """Writes every fixture and converts the changed ones; returns {name: .ods path}."""
    return make_from_flat(outdir, FIXTURES,
                          after_conversion=lambda flat: put_view_settings(flat, flat.with_suffix(".ods")))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for path in make(sys.argv[1]).values():
        print(path)
