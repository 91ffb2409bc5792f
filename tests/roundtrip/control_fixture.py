"""Writes an OpenDocument spreadsheet with form controls and a group of
shapes on one sheet: a button with a label, a check box linked to a cell,
two option buttons, a list box and a drop-down list filled from a range and
linked to cells, and a group of a rectangle and an ellipse. (The records of
labels, group boxes, spin buttons and scroll bars are checked by the unit
tests.)"""

import zipfile

SHEET = "Form"
COLORS = ["Red", "Green", "Blue", "Black"]

# What a reader should find: per control, in drawing order, its name, its
# form component type (LibreOffice's numbering), label, linked cell and list
# range as (column, row) and (first column, first row, last column, last row).
BUTTON, RADIO, CHECKBOX, LISTBOX, COMBOBOX = 2, 3, 5, 6, 7
CONTROLS = [
    # name, kind, form element and attributes, label, linked cell, list range
    ("Run", BUTTON, 'form:button form:label="Run it"', "Run it", None, None),
    ("Done", CHECKBOX, 'form:checkbox form:label="Done" form:linked-cell="Form.D2" form:current-state="checked"',
     "Done", (3, 1), None),
    ("Yes", RADIO, 'form:radio form:control-implementation="ooo:com.sun.star.form.component.RadioButton" form:label="Yes" form:selected="true"', "Yes", None, None),
    ("No", RADIO, 'form:radio form:control-implementation="ooo:com.sun.star.form.component.RadioButton" form:label="No"', "No", None, None),
    ("Colours", LISTBOX, 'form:listbox form:linked-cell="Form.D3" form:source-cell-range="Form.A1:Form.A4"',
     None, (3, 2), (0, 0, 0, 3)),
    ("Choice", LISTBOX, 'form:listbox form:dropdown="true" form:size="4" form:linked-cell="Form.D4"'
     ' form:source-cell-range="Form.A1:Form.A4"', None, (3, 3), (0, 0, 0, 3)),
]
# Drop-down lists come back as list boxes that drop down.
READ_BACK_KIND = {COMBOBOX: LISTBOX}
GROUP_MEMBERS = 2

NAMESPACES = (
    'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
    'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
    'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
    'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
    'xmlns:form="urn:oasis:names:tc:opendocument:xmlns:form:1.0" '
    'xmlns:ooo="http://openoffice.org/2004/office" '
    'xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2"')


def content():
    forms = "".join(f'<{element} form:name="{name}" form:id="control{i + 1}"/>'
                    for i, (name, _, element, _, _, _) in enumerate(CONTROLS))
    # Controls stacked down column F, one every two rows (rows are 0.5cm high).
    shapes = "".join(
        f'<draw:control draw:control="control{i + 1}" draw:z-index="{i}" svg:x="{5 * 2.258 + 0.2:.3f}cm"'
        f' svg:y="{i * 1.0 + 0.1:.1f}cm" svg:width="3cm" svg:height="0.8cm"/>'
        for i in range(len(CONTROLS)))
    group = ('<draw:g draw:name="Pair" draw:z-index="20">'
             '<draw:rect draw:name="Square" svg:x="1cm" svg:y="6cm" svg:width="2cm" svg:height="1.5cm"/>'
             '<draw:ellipse draw:name="Round" svg:x="3.5cm" svg:y="6.5cm" svg:width="2cm" svg:height="1.5cm"/>'
             '</draw:g>')
    rows = ""
    for r in range(30):
        first = (f'<table:table-cell office:value-type="string"><text:p>{COLORS[r]}</text:p></table:table-cell>'
                 if r < len(COLORS) else "<table:table-cell/>")
        rows += f'<table:table-row table:style-name="ro1">{first}<table:table-cell table:number-columns-repeated="9"/></table:table-row>'
    return (f'<?xml version="1.0" encoding="UTF-8"?><office:document-content {NAMESPACES}>'
            '<office:automatic-styles>'
            '<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="2.258cm"/></style:style>'
            '<style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="0.5cm"/></style:style>'
            '</office:automatic-styles><office:body><office:spreadsheet>'
            f'<table:table table:name="{SHEET}"><office:forms><form:form form:name="Standard">{forms}</form:form></office:forms>'
            f'<table:shapes>{shapes}{group}</table:shapes>'
            f'<table:table-column table:style-name="co1" table:number-columns-repeated="10"/>{rows}'
            '</table:table></office:spreadsheet></office:body></office:document-content>')


def write_control_ods(path):
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>'
                '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)
        z.writestr("content.xml", content(), zipfile.ZIP_DEFLATED)
