#!/usr/bin/python3
"""Dumps an .xls as independent readers see it, one fact per tab-separated line.

The compound file is opened with olefile (defects raised), the workbook with
xlrd (formatting_info=True). Exit status 77 when a reader is not installed,
1 when a reader refuses the file.
"""
import sys

try:
    import olefile
    import xlrd
except ImportError as error:
    print(f"missing reader: {error}", file=sys.stderr)
    sys.exit(77)


def text(value):
    return str(value).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def emit(*fields):
    print("\t".join(text(f) for f in fields))


def colour(book, index):
    rgb = book.colour_map.get(index)
    return "auto" if rgb is None else "%02X%02X%02X" % rgb


def main(path):
    with olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT) as ole:
        for entry in ole.listdir(streams=True, storages=False):
            emit("stream", "/".join(entry).lstrip("\x05"), ole.get_size("/".join(entry)))
        meta = ole.get_metadata()
        for field in ("title", "subject", "author", "keywords", "comments"):
            value = getattr(meta, field)
            if value:
                emit("property", field, value.decode("utf-8", "replace") if isinstance(value, bytes) else value)
        if meta.create_time:
            emit("property", "created", meta.create_time.isoformat())

    book = xlrd.open_workbook(path, formatting_info=True, on_demand=False)
    for index, sheet in enumerate(book.sheets()):
        emit("sheet", index, sheet.name, sheet.visibility, sheet.nrows, sheet.ncols,
             sheet.default_row_height)
        for rowx in range(sheet.nrows):
            for colx in range(sheet.ncols):
                cell = sheet.cell(rowx, colx)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                xf = book.xf_list[cell.xf_index]
                fmt = book.format_map[xf.format_key].format_str
                value = repr(cell.value) if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE) else cell.value
                if cell.ctype == xlrd.XL_CELL_ERROR:
                    value = xlrd.error_text_from_code.get(cell.value, cell.value)
                kind = {xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "number", xlrd.XL_CELL_TEXT: "text",
                        xlrd.XL_CELL_BOOLEAN: "boolean", xlrd.XL_CELL_ERROR: "error",
                        xlrd.XL_CELL_BLANK: "blank"}[cell.ctype]
                emit("cell", index, rowx, colx, kind, value, fmt, cell.xf_index)
        for rlo, rhi, clo, chi in sheet.merged_cells:
            emit("merge", index, rlo, rhi - 1, clo, chi - 1)
        for (rowx, colx), note in sorted(sheet.cell_note_map.items()):
            emit("note", index, rowx, colx, note.author, note.text, int(note.show))
        for link in sheet.hyperlink_list:
            emit("link", index, link.frowx, link.lrowx, link.fcolx, link.lcolx, link.type,
                 link.url_or_path or "", link.textmark or "")
        for colx, info in sorted(sheet.colinfo_map.items()):
            emit("column", index, colx, info.width, info.hidden, info.outline_level)
        for rowx, info in sorted(sheet.rowinfo_map.items()):
            emit("row", index, rowx, info.height, info.hidden, info.outline_level, info.has_default_height,
                 info.height_mismatch)
        emit("view", index, sheet.horz_split_pos, sheet.vert_split_pos, int(sheet.panes_are_frozen),
             int(sheet.show_grid_lines), int(sheet.sheet_selected), int(sheet.sheet_visible),
             sheet.scl_mag_factor or 100, sheet.first_visible_rowx, sheet.first_visible_colx)
    for index, xf in enumerate(book.xf_list):
        font = book.font_list[xf.font_index]
        b = xf.border
        emit("xf", index, xf.font_index, book.format_map[xf.format_key].format_str,
             xf.alignment.hor_align, xf.alignment.vert_align, xf.alignment.text_wrapped,
             xf.alignment.rotation, xf.alignment.indent_level, xf.alignment.shrink_to_fit,
             xf.background.fill_pattern, colour(book, xf.background.pattern_colour_index),
             b.left_line_style, b.right_line_style, b.top_line_style, b.bottom_line_style,
             colour(book, b.left_colour_index), b.diag_down, b.diag_up, b.diag_line_style,
             xf.protection.cell_locked, xf.protection.formula_hidden)
    for index, font in enumerate(book.font_list):
        emit("font", font.font_index, font.name, font.height, font.weight, font.italic,
             font.underline_type, font.struck_out, font.escapement, colour(book, font.colour_index))


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as error:  # any refusal is a failed read
        print(f"{type(error).__name__}: {error}", file=sys.stderr)
        sys.exit(1)
