#!/usr/bin/python3
"""Reads a written workbook with openpyxl, an independent reader, and prints
what a user would see as JSON: the package's workbook content type, the
sheets in order, the active sheet, and for every cell present its value,
number format, bold, fill pattern and borders, and the column widths."""
import datetime
import json
import sys
import zipfile

import openpyxl
from openpyxl.utils import get_column_letter


def content_type(path):
    with zipfile.ZipFile(path) as package:
        types = package.read('[Content_Types].xml').decode('utf-8')
    marker = 'PartName="/xl/workbook.xml" ContentType="'
    start = types.index(marker) + len(marker)
    return types[start:types.index('"', start)]


def value_of(cell):
    v = cell.value
    if v is None:
        return None
    if isinstance(v, datetime.datetime):
        return {'date': v.isoformat(timespec='milliseconds')}
    if isinstance(v, (int, float)):
        return {'number': v}
    return {'text': v}


def main(path):
    book = openpyxl.load_workbook(path)
    sheets = []
    for sheet in book.worksheets:
        cells = {}
        # Only the cells the file holds; iter_rows would make up the others.
        for (_, _), cell in sorted(sheet._cells.items()):
            b = cell.border
            cells[cell.coordinate] = {
                'value': value_of(cell),
                'numberFormat': cell.number_format,
                'bold': bool(cell.font.b),
                'fill': cell.fill.fill_type,
                'border': {side: getattr(b, side).style for side in ('left', 'top', 'right', 'bottom')
                           if getattr(b, side) is not None and getattr(b, side).style},
            }
        widths = {}
        for dim in sheet.column_dimensions.values():
            if dim.customWidth:
                for column in range(dim.min, dim.max + 1):
                    widths[get_column_letter(column)] = dim.width
        sheets.append({'name': sheet.title, 'cells': cells, 'widths': widths})
    json.dump({'contentType': content_type(path), 'active': book.index(book.active), 'sheets': sheets},
              sys.stdout, ensure_ascii=False)


if __name__ == '__main__':
    main(sys.argv[1])
