#!/usr/bin/env python3
"""Writes seed inputs for the fuzz targets into OUT/<target>/.

Seeds come from documents made here, from the formula texts in our own tests
and, when the shared corpus is beside the project, from its smaller files
(copied into the build folder only, never into the project).

    make_seeds.py OUT [--corpus DIR]
"""
import argparse
import hashlib
import io
import re
import sys
import zipfile
from pathlib import Path
from xml.etree import ElementTree

ROOT = Path(__file__).resolve().parent.parent
NAMESPACES = (
    'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
    'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
    'xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" '
    'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
    'xmlns:xlink="http://www.w3.org/1999/xlink" '
    'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"')

STYLES = ('<office:automatic-styles>'
          '<number:number-style style:name="N1"><number:number number:decimal-places="2"/>'
          '<style:map style:condition="value()&gt;=0" style:apply-style-name="N1"/></number:number-style>'
          '<number:date-style style:name="N2"><number:year number:style="long"/><number:text>-</number:text>'
          '<number:month/><number:text>-</number:text><number:day/></number:date-style>'
          '<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1">'
          '<style:table-cell-properties fo:border="0.74pt solid #000000" fo:background-color="#ff0000"/>'
          '<style:text-properties fo:font-weight="bold" fo:color="#0000ff"/></style:style>'
          '<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="2.5cm"/></style:style>'
          '</office:automatic-styles>')

BODIES = [
    '<table:table table:name="A"><table:table-row><table:table-cell office:value-type="float" office:value="1"/></table:table-row></table:table>',
    '<table:table table:name="Values"><table:table-column table:style-name="co1" table:number-columns-repeated="3"/>'
    '<table:table-row table:number-rows-repeated="2"><table:table-cell table:style-name="ce1" office:value-type="float" office:value="1.5"><text:p>1.5</text:p></table:table-cell>'
    '<table:table-cell office:value-type="date" office:date-value="2024-01-15T10:00:00" table:number-columns-spanned="2"/><table:covered-table-cell/>'
    '<table:table-cell office:value-type="string"><text:p>a<text:s text:c="2"/><text:a xlink:href="http://x">b</text:a><text:span>c</text:span></text:p></table:table-cell>'
    '<table:table-cell office:value-type="boolean" office:boolean-value="true"/><table:table-cell office:value-type="time" office:time-value="PT36H30M00S"/>'
    '<table:table-cell office:value-type="percentage" office:value="0.25"/><table:table-cell office:value-type="currency" office:currency="EUR" office:value="-3"/>'
    '</table:table-row></table:table>',
    '<table:table table:name="F"><table:table-row><table:table-cell table:formula="of:=SUM([.A1:.B2])+1" office:value-type="float" office:value="3"/>'
    '<table:table-cell table:formula="of:=IF([.A1]&gt;0;&quot;x&quot;;[$F.$B$2])" office:value-type="string" office:string-value="x"/>'
    '<table:table-cell table:formula="of:={1;2|3;4}" table:number-matrix-columns-spanned="2" table:number-matrix-rows-spanned="1" office:value-type="float" office:value="1"/>'
    '</table:table-row></table:table><table:named-expressions><table:named-range table:name="R" table:base-cell-address="$F.$A$1" table:cell-range-address="$F.$A$1:.$B$3"/>'
    '<table:named-expression table:name="E" table:base-cell-address="$F.$A$1" table:expression="of:=[.A1]*2"/></table:named-expressions>',
    '<table:table table:name="Big"><table:table-column table:number-columns-repeated="1024"/>'
    '<table:table-row table:number-rows-repeated="1048576"><table:table-cell table:number-columns-repeated="1024"/></table:table-row></table:table>',
    '<table:table table:name="Notes"><table:table-row><table:table-cell><office:annotation office:display="true"><text:p>note</text:p></office:annotation>'
    '<text:p>t</text:p></table:table-cell></table:table-row></table:table>'
    '<table:table table:name="Hidden" table:display="false"><table:table-row-group><table:table-row table:visibility="collapse"><table:table-cell/></table:table-row></table:table-row-group></table:table>',
]


def content_xml(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content ' + NAMESPACES +
            ' office:version="1.3">' + STYLES + '<office:body><office:spreadsheet>' + body +
            '</office:spreadsheet></office:body></office:document-content>').encode()


def package(content):
    data = io.BytesIO()
    with zipfile.ZipFile(data, 'w') as archive:
        archive.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
        archive.writestr('content.xml', content, compress_type=zipfile.ZIP_DEFLATED)
    return data.getvalue()


def formulas_in_tests():
    found = set()
    for source in (ROOT / 'tests').rglob('*_test.cpp'):
        for text in re.findall(r'"((?:of|oooc|msoxl):=[^"\\]*(?:\\.[^"\\]*)*)"', source.read_text(errors='replace')):
            found.add(text.encode().decode('unicode_escape', errors='replace').encode('utf-8', errors='replace'))
    return found


def corpus_files(corpus, limit_bytes):
    if not corpus or not corpus.is_dir():
        return []
    return sorted(p for p in corpus.rglob('*') if p.is_file() and p.suffix.lower() in
                  ('.ods', '.ots', '.sxc', '.stc', '.fods') and p.stat().st_size <= limit_bytes)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('out', type=Path)
    parser.add_argument('--corpus', type=Path, default=ROOT.parent / 'shared' / 'corpus')
    args = parser.parse_args()

    seeds = {'fuzz_load': set(), 'fuzz_content_xml': set(), 'fuzz_formula': set()}
    for body in BODIES:
        content = content_xml(body)
        seeds['fuzz_content_xml'].add(content)
        seeds['fuzz_load'].add(package(content))
        seeds['fuzz_load'].add(content)  # a flat XML file
    seeds['fuzz_formula'] |= formulas_in_tests()

    for path in corpus_files(args.corpus, 48 << 10):
        data = path.read_bytes()
        seeds['fuzz_load'].add(data)
        try:
            with zipfile.ZipFile(path) as archive:
                content = archive.read('content.xml')
        except (zipfile.BadZipFile, KeyError, OSError, RuntimeError, EOFError, NotImplementedError, ValueError):
            continue
        if len(content) <= 128 << 10:
            seeds['fuzz_content_xml'].add(content)
        try:
            for element in ElementTree.fromstring(content).iter():
                for name, value in element.attrib.items():
                    if name.endswith('}formula') or name.endswith('}expression'):
                        seeds['fuzz_formula'].add(value.encode())
        except ElementTree.ParseError:
            pass

    for target, inputs in seeds.items():
        folder = args.out / target
        folder.mkdir(parents=True, exist_ok=True)
        for data in inputs:
            (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)
        print(f'{target}: {len(inputs)} seeds in {folder}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
