#!/usr/bin/env bash
# Remakes the workbooks saved by other programs that the reader's tests keep
# (tests/dataplot/fixtures): sheet "Orbit", A1:C25 a circle of radius 1 at z = 0.5, D = C*2 as a
# formula without a stored value. Written by openpyxl, then opened and saved again by LibreOffice
# Calc as .xlsx and .ods. Needs python3-openpyxl and libreoffice-calc; the tests need neither.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/tests/dataplot/fixtures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work/orbit.xlsx" <<'PY'
import math, sys, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Orbit"
for k in range(25):
    t = 2 * math.pi * k / 24
    ws.append([round(math.cos(t), 12), round(math.sin(t), 12), 0.5, "=C%d*2" % (k + 1)])
wb.save(sys.argv[1])
PY
cp "$work/orbit.xlsx" "$out/orbit-openpyxl.xlsx"
for ext in xlsx ods; do
    HOME="$work" soffice --headless --convert-to "$ext" --outdir "$work/lo" "$work/orbit.xlsx" >/dev/null
    cp "$work/lo/orbit.$ext" "$out/orbit-libreoffice.$ext"
done
