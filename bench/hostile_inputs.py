#!/usr/bin/python3
"""What each hostile input gives: the converter's answer (error text or the
conversion with its warning count), wall time and peak memory.

    hostile_inputs.py --converter BUILD/cli/brindlemoor-convert [--markdown FILE]

The documents are made here, in a temporary folder. Exit status 1 when an
input crashes the converter, or takes more than 60 s or 1 GiB.
"""

import argparse
import io
import os
import random
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')


def content(tables, prolog=''):
    return (f'<?xml version="1.0" encoding="UTF-8"?>{prolog}<office:document-content {NS} office:version="1.3">'
            f'<office:body><office:spreadsheet>{tables}</office:spreadsheet></office:body></office:document-content>')


def package(xml, level=6):
    data = io.BytesIO()
    with zipfile.ZipFile(data, 'w') as archive:
        archive.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
        archive.writestr('content.xml', xml, compress_type=zipfile.ZIP_DEFLATED, compresslevel=level)
    return data.getvalue()


def row(cells, repeat=None):
    attribute = f' table:number-rows-repeated="{repeat}"' if repeat else ''
    return f'<table:table-row{attribute}>{cells}</table:table-row>'


def cell(value_type, value, extra=''):
    return f'<table:table-cell office:value-type="{value_type}" office:{"date-" if value_type == "date" else ""}value="{value}"{extra}/>'


def patch_directory(zip_bytes, field_offset, value):
    data = bytearray(zip_bytes)
    at = data.find(b'PK\x01\x02')
    while data[at + 46:at + 57] != b'content.xml':
        at = data.find(b'PK\x01\x02', at + 4)
    data[at + field_offset:at + field_offset + 4] = value.to_bytes(4, 'little')
    return bytes(data)


def bomb():
    # 900 MiB of spaces streamed into the archive: a few hundred KiB on disk.
    data = io.BytesIO()
    with zipfile.ZipFile(data, 'w') as archive:
        archive.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
        info = zipfile.ZipInfo('content.xml')
        info.compress_type = zipfile.ZIP_DEFLATED
        with archive.open(info, 'w', force_zip64=True) as member:
            member.write(content('').split('<office:spreadsheet>')[0].encode() + b'<office:spreadsheet>')
            chunk = b' ' * (1 << 20)
            for _ in range(900):
                member.write(chunk)
            member.write(b'</office:spreadsheet></office:body></office:document-content>')
    return data.getvalue()


def lying_bomb():
    # 200 MiB of spaces whose directory (central and local) declares 4 KiB.
    xml = content('<table:table table:name="A">' + ' ' * (200 << 20) + '</table:table>')
    data = bytearray(package(xml, level=9))
    at = data.find(b'PK\x01\x02')
    while data[at + 46:at + 57] != b'content.xml':
        at = data.find(b'PK\x01\x02', at + 4)
    local = int.from_bytes(data[at + 42:at + 46], 'little')
    data[at + 24:at + 28] = (4096).to_bytes(4, 'little')
    data[local + 22:local + 26] = (4096).to_bytes(4, 'little')
    return bytes(data)


def nested(open_tag, close_tag, depth, inner):
    return open_tag * depth + inner + close_tag * depth


def inputs():
    base = package(content('<table:table table:name="A">' + row(cell('float', 1)) + '</table:table>'))
    rnd = random.Random(7)
    noise = ''.join(rnd.choice('ABCDEFGHIJKLMNOPQRSTUVWXYZ') for _ in range(32 << 20))
    repeats = ''.join(
        f'<table:table table:name="S{s}"><table:table-column table:number-columns-repeated="100000"/>' +
        ''.join(row(cell('float', 1, ' table:number-columns-repeated="100000"'), 1000000000) for _ in range(20)) +
        '</table:table>' for s in range(8))
    formula_parens = 'of:=' + '(' * 1000 + '1' + ')' * 1000
    formula_calls = 'of:=' + 'SUM(' * 1000 + '1' + ')' * 1000
    yield 'member inflating to 900 MiB', bomb()
    yield 'directory declares 4 GiB', patch_directory(base, 24, 0xfffffff0)
    yield 'directory declares 4 KiB for 200 MiB', lying_bomb()
    yield 'directory lies: compressed size 1', patch_directory(base, 20, 1)
    yield 'directory lies: local header offset 7', patch_directory(base, 42, 7)
    yield 'archive truncated to half', base[:len(base) // 2]
    yield 'entity expansion (billion laughs)', package(content(
        '<table:table table:name="&c;"/>',
        '<!DOCTYPE d [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>'))
    yield 'external entity', package(content('<table:table table:name="&x;"/>', '<!DOCTYPE d [<!ENTITY x SYSTEM "file:///etc/passwd">]>'))
    yield 'document type of its own, no entities', package(content(
        '<table:table table:name="A"/>', '<!DOCTYPE office:document-content [<!ATTLIST table:table table:protected CDATA "true">]>'))
    yield 'spans nested 200,000 deep', package(content(
        '<table:table table:name="D"><table:table-row><table:table-cell><text:p>' +
        nested('<text:span>', '</text:span>', 200000, 'x') + '</text:p></table:table-cell></table:table-row></table:table>'))
    yield 'spans nested 900 deep', package(content(
        '<table:table table:name="D"><table:table-row><table:table-cell office:value-type="string"><text:p>' +
        nested('<text:span>', '</text:span>', 900, 'x') + '</text:p></table:table-cell></table:table-row></table:table>'))
    yield 'attribute values of 32 MiB', package(content(
        f'<table:table table:name="{noise}">' + row(f'<table:table-cell office:value-type="string" office:string-value="{noise}"/>') + '</table:table>'))
    yield '10^9 rows x 10^5 columns, 160 times', package(content(repeats))
    yield 'whole grid filled, 40 sheets (over 4 GB as Excel 97)', package(content(''.join(
        f'<table:table table:name="G{s}">' + row(cell('float', 1, ' table:number-columns-repeated="100000"'), 1000000000) +
        '</table:table>' for s in range(40))))
    yield 'invalid UTF-8', package(content('<table:table table:name="bad\udcff"/>').encode('utf-8', 'surrogateescape'))
    yield 'numbers 1e999, nan, -0', package(content('<table:table table:name="N">' + row(
        cell('float', '1e999') + cell('float', 'nan') + cell('float', '-0')) + '</table:table>'))
    yield 'dates 1800-02-03 and 12000-01-01', package(content('<table:table table:name="D">' + row(
        cell('date', '1800-02-03') + cell('date', '12000-01-01')) + '</table:table>'))
    yield 'no sheet at all', package(content(''))
    yield 'duplicate sheet names', package(content('<table:table table:name="Data"/>' * 3 + '<table:table table:name="DATA"/>'))
    yield 'formula nested 1,000 parentheses', package(content('<table:table table:name="F">' + row(
        f'<table:table-cell table:formula="{formula_parens}" office:value-type="float" office:value="1"/>') + '</table:table>'))
    yield 'formula nested 1,000 calls', package(content('<table:table table:name="F">' + row(
        f'<table:table-cell table:formula="{formula_calls}" office:value-type="float" office:value="1"/>') + '</table:table>'))
    yield 'empty file', b''
    yield 'random bytes after PK', b'PK' + bytes(rnd.getrandbits(8) for _ in range(4096))


def run(converter, source, out):
    """Exit code, messages, seconds and peak memory in MB (from GNU time: a
    child forked from Python would count Python's own memory as its peak)."""
    start = time.monotonic()
    process = subprocess.run(['/usr/bin/time', '-f', 'peak-kb %M', converter, '-o', str(out), str(source)],
                             capture_output=True, text=True, errors='replace')
    elapsed = time.monotonic() - start
    lines = process.stderr.splitlines()
    peak = [l for l in lines if l.startswith('peak-kb ')]
    signalled = [l for l in lines if l.startswith('Command terminated by signal')]
    messages = '\n'.join(l for l in lines if not l.startswith(('peak-kb ', 'Command ')))
    code = -int(signalled[0].split()[-1]) if signalled else process.returncode
    return code, process.stdout + messages, elapsed, int(peak[-1].split()[1]) / 1024 if peak else float('nan')


def summary(code, text, source):
    if code < 0:
        return f'CRASH (signal {-code})'
    lines = [l.strip() for l in text.splitlines() if l.strip()]
    if code == 0:
        return f'converted ({len(lines) - 1} lines of notes)' if len(lines) > 1 else 'converted'
    message = next((l for l in lines if source.name in l), lines[0] if lines else '')
    return 'refused: ' + message.split(source.name + ': ', 1)[-1][:160]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--converter', required=True)
    parser.add_argument('--markdown', type=Path)
    args = parser.parse_args()
    failed = False
    rows = []
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        for name, data in inputs():
            source = folder / 'hostile.ods'
            source.write_bytes(data)
            code, text, seconds, peak_mb = run(args.converter, source, folder)
            result = summary(code, text, source)
            (folder / 'hostile.xls').unlink(missing_ok=True)
            bad = code < 0 or seconds > 60 or peak_mb > 1024
            failed |= bad
            rows.append((name, f'{len(data) / 1024:.0f} KiB', result, f'{seconds:.2f}', f'{peak_mb:.0f}'))
            print(f'{name:42} {result[:90]:90} {seconds:6.2f} s {peak_mb:6.0f} MB' + ('  <-- FAIL' if bad else ''), flush=True)
    if args.markdown:
        lines = ['| input | file size | result | time (s) | peak memory (MB) |', '|---|---|---|---|---|']
        lines += ['| ' + ' | '.join(cells).replace('\n', ' ') + ' |' for cells in rows]
        args.markdown.write_text('# Hostile inputs\n\nMade and measured by `bench/hostile_inputs.py --converter BUILD/cli/brindlemoor-convert`.\n\n' + '\n'.join(lines) + '\n')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
