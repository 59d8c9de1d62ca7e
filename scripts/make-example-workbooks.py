#!/usr/bin/env python3
"""Writes the example workbooks of the 3D graph window: the same sheet "Feuille1" as .xlsx, .ods
and .csv. Columns C, D, E (range C2:E100) hold x, y, z rows and the plot commands: a helix, a
pen-up, a dotted circle in another colour, an echoed note and a diagonal. The z cells of the
helix are formulas in the .xlsx and the .ods (stored without a computed value, so that a reader
must recompute them) and plain values in the .csv.

Usage: make-example-workbooks.py [--out DIR] [--rows N]
  --out DIR  folder to write into (default: docs/examples beside this script's repository)
  --rows N   instead of the example, write N rows of helix points (C2:E(N+1), plain numbers) as
             big.xlsx, big.ods and big.csv, for the reading benchmark.
Only the Python standard library is used.
"""
import argparse
import math
import os
import zipfile
from xml.sax.saxutils import escape

SHEET = "Feuille1"
FIRST_ROW = 2  # the data starts at C2
FIRST_COL = 3  # column C


def number_text(v):
    """Shortest text that reads back to the same double."""
    return repr(float(v))


class Cell:
    """A cell: a number, a text, or a formula with the value the spreadsheet computes."""

    def __init__(self, value=None, formula_xlsx=None, formula_ods=None):
        self.value = value
        self.formula_xlsx = formula_xlsx
        self.formula_ods = formula_ods


def example_rows():
    rows = []
    rows.append([Cell("ligne0"), Cell("rgb3"), Cell(None)])  # solid line, blue
    # Helix: radius 1, two turns, rising by 1/48 per point; z chained by formulas.
    n = 48
    z = 0.0
    for k in range(n + 1):
        t = 4 * math.pi * k / n
        r = FIRST_ROW + len(rows)
        if k == 0:
            zc = Cell(0.0)
        else:
            z = z + 1 / 48
            zc = Cell(z, "E%d+1/48" % (r - 1), "of:=[.E%d]+1/48" % (r - 1))
        rows.append([Cell(round(math.cos(t), 12)), Cell(round(math.sin(t), 12)), zc])
    rows.append([Cell(None), Cell(None), Cell(None)])  # pen up, next colour
    rows.append([Cell("RVB5"), Cell("LIGNE12"), Cell(None)])  # cyan, dotted
    for k in range(25):
        t = 2 * math.pi * k / 24
        r = FIRST_ROW + len(rows)
        rows.append([Cell(round(0.5 * math.cos(t), 12)), Cell(round(0.5 * math.sin(t), 12)),
                     Cell(1.2, "0.6*2", "of:=0.6*2")])
    rows.append([Cell(None), Cell(None), Cell(None)])
    rows.append([Cell("note"), Cell("rgb1"), Cell("ligne2")])  # "note" is echoed; red, thick
    for k in range(9):
        v = k / 8
        rows.append([Cell(v), Cell(v), Cell(v)])
    return rows


def big_rows(count):
    rows = []
    for k in range(count):
        t = 0.01 * k
        rows.append([Cell(math.cos(t)), Cell(math.sin(t)), Cell(t / 100)])
    return rows


def col_letter(c):
    s = ""
    while c > 0:
        c, rem = divmod(c - 1, 26)
        s = chr(65 + rem) + s
    return s


# ---- .xlsx ----

def write_xlsx(path, rows, title):
    strings = []
    index = {}

    def sid(text):
        if text not in index:
            index[text] = len(strings)
            strings.append(text)
        return index[text]

    parts = []
    parts.append('<row r="1"><c r="A1" t="s"><v>%d</v></c>' % sid(title)
                 + ''.join('<c r="%s1" t="s"><v>%d</v></c>' % (col_letter(FIRST_COL + i), sid(h))
                           for i, h in enumerate("xyz")) + '</row>')
    for i, row in enumerate(rows):
        r = FIRST_ROW + i
        cells = []
        for j, cell in enumerate(row):
            ref = "%s%d" % (col_letter(FIRST_COL + j), r)
            if cell.formula_xlsx is not None:
                cells.append('<c r="%s"><f>%s</f></c>' % (ref, escape(cell.formula_xlsx)))
            elif isinstance(cell.value, str):
                cells.append('<c r="%s" t="s"><v>%d</v></c>' % (ref, sid(cell.value)))
            elif cell.value is not None:
                cells.append('<c r="%s"><v>%s</v></c>' % (ref, number_text(cell.value)))
        parts.append('<row r="%d">%s</row>' % (r, ''.join(cells)))
    ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel_ns = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
    sheet = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             '<worksheet %s><sheetData>%s</sheetData></worksheet>' % (ns, ''.join(parts)))
    shared = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<sst %s count="%d" uniqueCount="%d">%s</sst>'
              % (ns, len(strings), len(strings),
                 ''.join('<si><t>%s</t></si>' % escape(s) for s in strings)))
    workbook = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<workbook %s %s><sheets><sheet name="%s" sheetId="1" r:id="rId1"/></sheets>'
                '<calcPr fullCalcOnLoad="1"/></workbook>' % (ns, rel_ns, SHEET))
    pkg = "http://schemas.openxmlformats.org/package/2006/relationships"
    doc = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    workbook_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                     '<Relationships xmlns="%s">'
                     '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
                     '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
                     '</Relationships>' % (pkg, doc, doc))
    root_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                 '<Relationships xmlns="%s">'
                 '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/>'
                 '</Relationships>' % (pkg, doc))
    ct = "application/vnd.openxmlformats-officedocument.spreadsheetml"
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" '
             'ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Override PartName="/xl/workbook.xml" ContentType="%s.sheet.main+xml"/>'
             '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="%s.worksheet+xml"/>'
             '<Override PartName="/xl/sharedStrings.xml" ContentType="%s.sharedStrings+xml"/>'
             '</Types>' % (ct, ct, ct))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in (("[Content_Types].xml", types), ("_rels/.rels", root_rels),
                           ("xl/workbook.xml", workbook),
                           ("xl/_rels/workbook.xml.rels", workbook_rels),
                           ("xl/sharedStrings.xml", shared),
                           ("xl/worksheets/sheet1.xml", sheet)):
            z.writestr(zipfile.ZipInfo(name, (2026, 1, 1, 0, 0, 0)), data,
                       zipfile.ZIP_DEFLATED)


# ---- .ods ----

def ods_cell(cell):
    if cell.formula_ods is not None:
        # The stored value is 0 on purpose: the reader must recompute the formula.
        return ('<table:table-cell table:formula="%s" office:value-type="float" '
                'office:value="0"/>' % escape(cell.formula_ods))
    if isinstance(cell.value, str):
        return ('<table:table-cell office:value-type="string"><text:p>%s</text:p>'
                '</table:table-cell>' % escape(cell.value))
    if cell.value is not None:
        return ('<table:table-cell office:value-type="float" office:value="%s"/>'
                % number_text(cell.value))
    return '<table:table-cell/>'


def write_ods(path, rows, title):
    lead = '<table:table-cell table:number-columns-repeated="%d"/>' % (FIRST_COL - 1)
    header = ('<table:table-row><table:table-cell office:value-type="string"><text:p>%s'
              '</text:p></table:table-cell><table:table-cell/>%s</table:table-row>'
              % (escape(title), ''.join(ods_cell(Cell(h)) for h in "xyz")))
    body = ''.join('<table:table-row>%s%s</table:table-row>'
                   % (lead, ''.join(ods_cell(c) for c in row)) for row in rows)
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n'
               '<office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
               'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
               'office:version="1.2"><office:body><office:spreadsheet>'
               '<table:table table:name="%s">'
               '<table:table-column table:number-columns-repeated="%d"/>%s%s'
               '</table:table></office:spreadsheet></office:body></office:document-content>'
               % (SHEET, FIRST_COL + 2, header, body))
    mime = "application/vnd.oasis.opendocument.spreadsheet"
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" '
                'manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="%s"/>'
                '<manifest:file-entry manifest:full-path="content.xml" '
                'manifest:media-type="text/xml"/></manifest:manifest>' % mime)
    with zipfile.ZipFile(path, "w") as z:
        # The media type comes first and uncompressed, as the format asks.
        z.writestr(zipfile.ZipInfo("mimetype", (2026, 1, 1, 0, 0, 0)), mime,
                   zipfile.ZIP_STORED)
        for name, data in (("META-INF/manifest.xml", manifest), ("content.xml", content)):
            z.writestr(zipfile.ZipInfo(name, (2026, 1, 1, 0, 0, 0)), data,
                       zipfile.ZIP_DEFLATED)


# ---- .csv ----

def write_csv(path, rows, title):
    def text(cell):
        if isinstance(cell.value, str):
            return cell.value
        return "" if cell.value is None else number_text(cell.value)
    lines = ["%s,,x,y,z" % title]
    lines += [",," + ",".join(text(c) for c in row) for row in rows]
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(here, "..", "docs", "examples"))
    parser.add_argument("--rows", type=int, default=0)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.rows > 0:
        rows, stem, title = big_rows(args.rows), "big", "Helix points"
    else:
        rows, stem, title = example_rows(), "courbes", "Exemple Gyrotrace"
    for ext, writer in ((".xlsx", write_xlsx), (".ods", write_ods), (".csv", write_csv)):
        writer(os.path.join(args.out, stem + ext), rows, title)


if __name__ == "__main__":
    main()
