"""Writes an OpenDocument spreadsheet with pictures and drawing shapes on one
sheet: two PNG pictures (one anchored to a cell, one placed on the page), a
rectangle, an ellipse, a line, a text box and a cell note. The pictures are
made here, so their pixel sizes are known. Shapes in a cell are placed
relative to that cell, as spreadsheet programs write them. A second
document holds groups of shapes, one inside another."""

import struct
import zipfile
import zlib

# name -> (width, height) in pixels
PICTURES = {"Pictures/red.png": (40, 30), "Pictures/stripes.png": (64, 16)}

# What a reader should find on the sheet: shapes by kind, and the cell each
# one starts in (row, column), 0-based.
EXPECTED_KINDS = {"image": 2, "drawing": 4}
EXPECTED_STARTS = {
    "Picture in cell": (1, 1),
    "Picture on page": (8, 0),
    "Box": (1, 4),
    "Round": (5, 4),
    "Stroke": (10, 3),
    "Label": (13, 1),
}


def png(width, height, color):
    """A truecolour PNG of the given size, striped so it is not one colour."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b""
    for y in range(height):
        rows += b"\0" + b"".join(bytes(color if (x + y) % 8 < 4 else (255, 255, 255))
                                 for x in range(width))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


CONTENT = """<?xml version="1.0" encoding="UTF-8"?>
<office:document-content
 xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2">
 <office:automatic-styles>
  <style:style style:name="co1" style:family="table-column">
   <style:table-column-properties style:column-width="1in"/>
  </style:style>
  <style:style style:name="ro1" style:family="table-row">
   <style:table-row-properties style:row-height="0.25in"/>
  </style:style>
  <style:style style:name="gr1" style:family="graphic">
   <style:graphic-properties draw:fill="solid" draw:fill-color="#ff0000" draw:stroke="solid" svg:stroke-color="#0000ff"/>
  </style:style>
  <style:style style:name="gr2" style:family="graphic">
   <style:graphic-properties draw:fill="none" draw:stroke="none"/>
  </style:style>
 </office:automatic-styles>
 <office:body>
  <office:spreadsheet>
   <table:table table:name="Shapes">
    <table:shapes>
     <draw:frame draw:name="Picture on page" svg:x="0.1in" svg:y="2.05in" svg:width="1.2in" svg:height="0.4in">
      <draw:image xlink:href="Pictures/stripes.png" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/>
     </draw:frame>
    </table:shapes>
    <table:table-column table:style-name="co1" table:number-columns-repeated="8"/>
    <table:table-row table:style-name="ro1">
     <table:table-cell office:value-type="string"><text:p>Pictures and shapes</text:p></table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1">
     <table:table-cell/>
     <table:table-cell>
      <draw:frame draw:name="Picture in cell" svg:x="0.1in" svg:y="0.05in" svg:width="1.5in" svg:height="1in"
        table:end-cell-address="Shapes.C6" table:end-x="0.6in" table:end-y="0.05in">
       <draw:image xlink:href="Pictures/red.png" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/>
      </draw:frame>
     </table:table-cell>
     <table:table-cell table:number-columns-repeated="2"/>
     <table:table-cell>
      <draw:rect draw:name="Box" draw:style-name="gr1" svg:x="0.1in" svg:y="0.05in" svg:width="1.5in" svg:height="0.6in"
        table:end-cell-address="Shapes.F4" table:end-x="0.6in" table:end-y="0.15in"/>
     </table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1" table:number-rows-repeated="3"><table:table-cell/></table:table-row>
    <table:table-row table:style-name="ro1">
     <table:table-cell table:number-columns-repeated="4"/>
     <table:table-cell>
      <draw:ellipse draw:name="Round" svg:x="0.2in" svg:y="0.05in" svg:width="1in" svg:height="0.5in"
        table:end-cell-address="Shapes.F8" table:end-x="0.2in" table:end-y="0.05in"/>
     </table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1" table:number-rows-repeated="4"><table:table-cell/></table:table-row>
    <table:table-row table:style-name="ro1">
     <table:table-cell table:number-columns-repeated="3"/>
     <table:table-cell>
      <draw:line draw:name="Stroke" svg:x1="0.1in" svg:y1="0.3in" svg:x2="1.9in" svg:y2="0.05in"
        table:end-cell-address="Shapes.E12" table:end-x="0.9in" table:end-y="0.05in"/>
     </table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1" table:number-rows-repeated="2"><table:table-cell/></table:table-row>
    <table:table-row table:style-name="ro1">
     <table:table-cell/>
     <table:table-cell office:value-type="string">
      <office:annotation><dc:creator>Reviewer</dc:creator><text:p>Check the label</text:p></office:annotation>
      <text:p>noted</text:p>
      <draw:frame draw:name="Label" draw:style-name="gr2" svg:x="0.05in" svg:y="0.05in" svg:width="2in" svg:height="0.4in"
        table:end-cell-address="Shapes.D15" table:end-x="0.05in" table:end-y="0.2in">
       <draw:text-box><text:p>Total of the quarter</text:p></draw:text-box>
      </draw:frame>
     </table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1" table:number-rows-repeated="5"><table:table-cell/></table:table-row>
   </table:table>
  </office:spreadsheet>
 </office:body>
</office:document-content>
"""

MANIFEST = """<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
 <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
 <manifest:file-entry manifest:full-path="Pictures/red.png" manifest:media-type="image/png"/>
 <manifest:file-entry manifest:full-path="Pictures/stripes.png" manifest:media-type="image/png"/>
</manifest:manifest>
"""


def write_drawing_ods(path):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet",
                   compress_type=zipfile.ZIP_STORED)
        z.writestr("META-INF/manifest.xml", MANIFEST, compress_type=zipfile.ZIP_DEFLATED)
        z.writestr("content.xml", CONTENT, compress_type=zipfile.ZIP_DEFLATED)
        colors = [(200, 20, 20), (20, 120, 20)]
        for (name, (w, h)), color in zip(PICTURES.items(), colors):
            z.writestr(name, png(w, h, color), compress_type=zipfile.ZIP_STORED)


# A sheet of grouped shapes, as a flat document for LibreOffice to save as
# its own: a shape on its own, a group of two shapes, and a group holding a
# line and a group of its own. Members are placed relative to their cell.
# Each group as (name, [members]), each shape as (kind, name).
EXPECTED_GROUPS = [
    ("drawing", "Alone"),
    ("group", "Pair", [("drawing", "Left"), ("drawing", "Right")]),
    ("group", "Nest", [("drawing", "Rule"), ("group", "Core", [("drawing", "Core box"), ("drawing", "Core round")])]),
]

GROUPS_CONTENT = """<?xml version="1.0" encoding="UTF-8"?>
<office:document
 xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <style:style style:name="co1" style:family="table-column">
   <style:table-column-properties style:column-width="1in"/>
  </style:style>
  <style:style style:name="ro1" style:family="table-row">
   <style:table-row-properties style:row-height="0.25in"/>
  </style:style>
  <style:style style:name="gr1" style:family="graphic">
   <style:graphic-properties draw:fill="solid" draw:fill-color="#ffcc00" draw:stroke="solid" svg:stroke-color="#003366"/>
  </style:style>
 </office:automatic-styles>
 <office:body>
  <office:spreadsheet>
   <table:table table:name="Groups">
    <table:table-column table:style-name="co1" table:number-columns-repeated="10"/>
    <table:table-row table:style-name="ro1">
     <table:table-cell office:value-type="string"><text:p>Grouped shapes</text:p></table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1">
     <table:table-cell/>
     <table:table-cell>
      <draw:g draw:name="Pair">
       <draw:rect draw:name="Left" draw:style-name="gr1" svg:x="0.1in" svg:y="0.05in" svg:width="0.8in" svg:height="0.5in"/>
       <draw:ellipse draw:name="Right" draw:style-name="gr1" svg:x="1.2in" svg:y="0.1in" svg:width="0.9in" svg:height="0.6in"/>
      </draw:g>
     </table:table-cell>
     <table:table-cell table:number-columns-repeated="3"/>
     <table:table-cell>
      <draw:rect draw:name="Alone" draw:style-name="gr1" svg:x="0.1in" svg:y="0.05in" svg:width="0.7in" svg:height="0.4in"/>
     </table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1" table:number-rows-repeated="3"><table:table-cell/></table:table-row>
    <table:table-row table:style-name="ro1">
     <table:table-cell table:number-columns-repeated="2"/>
     <table:table-cell>
      <draw:g draw:name="Nest">
       <draw:line draw:name="Rule" svg:x1="0.1in" svg:y1="0.1in" svg:x2="1.9in" svg:y2="0.15in"/>
       <draw:g draw:name="Core">
        <draw:rect draw:name="Core box" draw:style-name="gr1" svg:x="0.2in" svg:y="0.3in" svg:width="0.6in" svg:height="0.4in"/>
        <draw:ellipse draw:name="Core round" draw:style-name="gr1" svg:x="1.0in" svg:y="0.3in" svg:width="0.5in" svg:height="0.5in"/>
       </draw:g>
      </draw:g>
     </table:table-cell>
    </table:table-row>
    <table:table-row table:style-name="ro1" table:number-rows-repeated="6"><table:table-cell/></table:table-row>
   </table:table>
  </office:spreadsheet>
 </office:body>
</office:document>
"""


def write_groups_fods(path):
    with open(path, "w", encoding="utf-8") as f:
        f.write(GROUPS_CONTENT)


if __name__ == "__main__":
    import sys
    write_drawing_ods(sys.argv[1])
