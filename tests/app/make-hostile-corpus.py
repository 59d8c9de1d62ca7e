#!/usr/bin/env python3
"""Writes hostile and damaged input files for the program's tests into a folder: workbooks built
to cost far more to read than their size (deep nesting, a huge formula range, a huge string, zip
entries hidden from the end record, 3,000 sums over whole columns, a long formula chain),
damaged workbooks (a missing sheet part, a sheet cut short), formulas that cannot be computed (an
unknown function, a reference to a missing sheet), formulas with and without stored values, and
text tables that are not what their name says (UTF-16, a workbook named .csv, binary bytes).

Usage: make-hostile-corpus.py [--small] OUT_DIR
  --small  only the small damaged and mislabelled files (for the reader's fuzz test)

Each file is small on disk; the expensive ones are compressed. Only the standard library is used.
"""
import os
import struct
import sys
import zipfile
import zlib

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_NS = "http://schemas.openxmlformats.org/package/2006/relationships"


def package(sheets, shared_strings=None, drop=(), calc=""):
    """The parts of a minimal .xlsx: sheets is a list of (name, sheet XML) pairs."""
    parts = {}
    overrides = ['<Override PartName="/xl/workbook.xml" ContentType="application/'
                 'vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>']
    rels, entries = [], []
    for i, (name, _) in enumerate(sheets, 1):
        overrides.append('<Override PartName="/xl/worksheets/sheet%d.xml" ContentType="application/'
                         'vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>' % i)
        rels.append('<Relationship Id="rId%d" Type="%s/worksheet" Target="worksheets/sheet%d.xml"/>'
                    % (i, REL_NS, i))
        entries.append('<sheet name="%s" sheetId="%d" r:id="rId%d"/>' % (name, i, i))
    if shared_strings is not None:
        overrides.append('<Override PartName="/xl/sharedStrings.xml" ContentType="application/'
                         'vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>')
        rels.append('<Relationship Id="rId99" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
                    % REL_NS)
        parts["xl/sharedStrings.xml"] = shared_strings
    parts["[Content_Types].xml"] = (
        '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
        'package/2006/content-types"><Default Extension="rels" ContentType="application/'
        'vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" '
        'ContentType="application/xml"/>' + "".join(overrides) + "</Types>")
    parts["_rels/.rels"] = (
        '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s"><Relationship Id="rId1" '
        'Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % (PKG_NS, REL_NS))
    parts["xl/workbook.xml"] = (
        '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s"><sheets>%s'
        '</sheets>%s</workbook>' % (MAIN_NS, REL_NS, "".join(entries), calc))
    parts["xl/_rels/workbook.xml.rels"] = (
        '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s">%s</Relationships>'
        % (PKG_NS, "".join(rels)))
    for i, (_, xml) in enumerate(sheets, 1):
        parts["xl/worksheets/sheet%d.xml" % i] = xml
    for name in drop:
        del parts[name]
    return parts


def sheet_xml(rows):
    return ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>%s'
            '</sheetData></worksheet>' % (MAIN_NS, rows))


def circle_rows(n=12):
    rows = []
    for k in range(1, n + 1):
        rows.append('<row r="%d"><c r="A%d"><v>%d</v></c><c r="B%d"><v>%d</v></c>'
                    '<c r="C%d"><v>0</v></c></row>' % (k, k, k % 3, k, k % 5, k))
    return "".join(rows)


def cell(ref, formula=None, value=None, kind=None):
    """One cell: a formula and/or a stored value; kind "str" for a formula's text result."""
    xml = '<c r="%s"%s>' % (ref, ' t="%s"' % kind if kind else "")
    if formula is not None:
        xml += "<f>%s</f>" % formula.replace("&", "&amp;").replace("<", "&lt;")
    if value is not None:
        xml += "<v>%s</v>" % value
    return xml + "</c>"


def circle_with(extra):
    """The circle rows of circle_rows() with extra cells: {row: [cell xml, ...]}."""
    rows = []
    for k in range(1, 13):
        cells = '<c r="A%d"><v>%d</v></c><c r="B%d"><v>%d</v></c><c r="C%d"><v>0</v></c>' % (
            k, k % 3, k, k % 5, k)
        rows.append('<row r="%d">%s%s</row>' % (k, cells, "".join(extra.get(k, []))))
    for k in sorted(r for r in extra if r > 12):
        rows.append('<row r="%d">%s</row>' % (k, "".join(extra[k])))
    return sheet_xml("".join(rows))


def stored_values(calc=""):
    """Formulas with and without the values a spreadsheet program stores: B = A * 2 stored (row
    3 stored stale, 99), C = A * 3 never stored, D1 an unknown function with its stored text, D2
    the same without, D3 a reference to a missing sheet with its stored value, D4 the same
    without. With calc asking for a recomputation on load, the stored values do not count."""
    rows = []
    for k in range(1, 5):
        cells = [cell("A%d" % k, value=k), cell("B%d" % k, "A%d*2" % k, 99 if k == 3 else 2 * k),
                 cell("C%d" % k, "A%d*3" % k)]
        cells.append([cell("D1", 'REPT("a",3)', "aaa", "str"), cell("D2", 'REPT("a",3)'),
                      cell("D3", "Gone!A1", 7), cell("D4", "Gone!A1")][k - 1])
        rows.append('<row r="%d">%s</row>' % (k, "".join(cells)))
    return package([("S", sheet_xml("".join(rows)))], calc=calc)


def write_zip(path, parts):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)


class Chunks:
    """A part given as a generator of byte chunks, deflated as it is produced."""

    def __init__(self, chunks):
        self.chunks = chunks


def write_zip_streamed(path, parts):
    """Like write_zip, but parts may be Chunks: huge content deflated without holding it."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            if isinstance(data, Chunks):
                with z.open(name, "w", force_zip64=False) as out:
                    for chunk in data.chunks:
                        out.write(chunk)
            else:
                z.writestr(name, data)


def repeated(text, count, block=1 << 16):
    """count copies of text, in chunks."""
    piece = text.encode() * block
    while count >= block:
        yield piece
        count -= block
    if count:
        yield text.encode() * count


def nested():
    depth = 20_000_000
    head = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>' % MAIN_NS)

    def chunks():
        yield head.encode()
        yield from repeated("<x>", depth)
        yield from repeated("</x>", depth)
        yield b"</sheetData></worksheet>"

    parts = package([("S", "")])
    parts["xl/worksheets/sheet1.xml"] = Chunks(chunks())
    return parts


def hidden_entries(path):
    """A readable workbook plus 1.1 GB of zeros that claims to unpack to 1000 bytes, the end
    record saying the zip holds one entry."""
    parts = package([("S", sheet_xml(circle_rows()))])
    parts["xl/media/padding.bin"] = Chunks(repeated("\0", 1100 << 20, 1 << 20))
    write_zip_streamed(path, parts)
    with open(path, "r+b") as f:
        data = bytearray(f.read())
    name = b"xl/media/padding.bin"
    for signature, size_at in ((b"PK\x03\x04", 22), (b"PK\x01\x02", 24)):
        at = data.find(signature)
        while at >= 0:
            name_at = at + (30 if size_at == 22 else 46)
            if data[name_at:name_at + len(name)] == name:
                data[at + size_at:at + size_at + 4] = struct.pack("<I", 1000)
            at = data.find(signature, at + 4)
    end = data.rfind(b"PK\x05\x06")
    data[end + 8:end + 12] = struct.pack("<HH", 1, 1)
    with open(path, "wb") as f:
        f.write(data)


def main():
    small = sys.argv[1] == "--small"
    out = sys.argv[-1]
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)
    write_small(p)
    if small:
        return
    write_zip_streamed(p("nested.xlsx"), nested())
    write_zip(p("array-formula.xlsx"), package([("S", sheet_xml(
        '<row r="1"><c r="A1"><f t="array" ref="A1:XFD2000">1+1</f></c></row>'))]))
    big = Chunks(iter([b'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s" count="1" '
                       b'uniqueCount="1"><si><t>' % MAIN_NS.encode()] +
                      list(repeated("a", 200 << 20)) + [b"</t></si></sst>"]))
    parts = package([("S", sheet_xml('<row r="1"><c r="A1" t="s"><v>0</v></c></row>'))], "")
    parts["xl/sharedStrings.xml"] = big
    write_zip_streamed(p("huge-string.xlsx"), parts)
    hidden_entries(p("hidden-entries.xlsx"))
    # A running sum down 200,000 rows of column E, no value stored: reading the circle beside it
    # computes none of it.
    chain = {1: [cell("E1", value=1)]}
    chain.update({k: [cell("E%d" % k, "E%d+1" % (k - 1))] for k in range(2, 200_001)})
    write_zip(p("formula-chain.xlsx"), package([("S", circle_with(chain))]))


def write_small(p):
    write_zip(p("missing-sheet.xlsx"),
              package([("S", sheet_xml(circle_rows()))], drop=["xl/worksheets/sheet1.xml"]))
    whole = sheet_xml(circle_rows())
    write_zip(p("truncated-sheet.xlsx"), package([("S", whole[: len(whole) // 2])]))
    write_zip(p("absolute-targets.xlsx"), {
        name: (data.replace('Target="worksheets/', 'Target="/xl/worksheets/')
               if name.endswith(".rels") else data)
        for name, data in package([("S", sheet_xml(circle_rows()))]).items()})

    # 3,000 sums of a whole column without stored values beside the circle.
    write_zip(p("column-sums.xlsx"), package([("S", circle_with(
        {k: [cell("D%d" % k, "SUM(A:A)")] for k in range(1, 3001)}))]))
    write_zip(p("unknown-function.xlsx"), package([("S", circle_with(
        {1: [cell("D1", 'REPT("-",3)')]}))]))
    write_zip(p("missing-sheet-reference.xlsx"), package([("S", circle_with(
        {1: [cell("D1", "Gone!A1+1")]}))]))
    write_zip(p("stored-values.xlsx"), stored_values())
    write_zip(p("recompute-on-load.xlsx"), stored_values('<calcPr fullCalcOnLoad="1"/>'))

    table = "x,y,z\r\n" + "".join("%d,%d,0\r\n" % (k % 3, k % 5) for k in range(1, 13))
    with open(p("utf16.csv"), "wb") as f:
        f.write(b"\xff\xfe" + table.encode("utf-16-le"))
    write_zip(p("workbook-named.csv"), package([("S", sheet_xml(circle_rows()))]))
    with open(p("binary.csv"), "wb") as f:
        f.write(bytes(range(256)) * 8)


if __name__ == "__main__":
    main()
