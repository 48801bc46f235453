#!/usr/bin/python3
"""Reads a written workbook with openpyxl, an independent reader, and prints
what a user would see as JSON: the package's workbook content type, the
sheets in order, the active sheet, and for every cell present its value,
number format, bold, fill pattern, borders, and text wrap and the place a
link leads to (only when set), the column widths, the heights of the rows
that have one, and the merged areas and print setup of a sheet that has
them.

With --libreoffice, LibreOffice reads it instead (as a second independent
reader, converting a copy to one CSV file per sheet), and the JSON holds only
the sheets with their names and the text each cell shows.

With --libreoffice-pdf, LibreOffice prints it to PDF (as a second
independent reader, on a copy), and the JSON holds the fonts it drew with
("fonts", as pdffonts names them) and, for each page, every word it drew with
its box in points from the page's top left corner ("pages", each with
"words": "text", "xMin", "yMin", "xMax", "yMax"), as pdftotext -bbox finds
them.

With --libreoffice-open and one or more files, LibreOffice opens each as a
user's double click would (through UNO, Debian's python3-uno) and tells, for
each, the document's location ("url": empty for a new, untitled document,
which is what a template becomes) and its sheets' names."""
import csv
import datetime
import json
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile
from xml.etree import ElementTree

import openpyxl
import openpyxl.reader.excel
from openpyxl.cell.text import Text
from openpyxl.utils import get_column_letter
from openpyxl.xml.constants import SHEET_MAIN_NS
from openpyxl.xml.functions import iterparse

# A character that XML cannot carry stands in cell text as _xHHHH_ (a UTF-16
# unit in hex), and the underscore of a literal _xHHHH_ as _x005F_; read from
# left to right, each escape is one unit. openpyxl 3.0 leaves the escapes
# in the text (and only drops every "x005F_"), so decode them here.
ESCAPE = re.compile('_x([0-9A-Fa-f]{4})_')


def unescaped(text):
    return ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text)


def read_string_table(xml_source):
    """openpyxl's reader of the shared strings, decoding the escapes."""
    strings = []
    for _, node in iterparse(xml_source):
        if node.tag == '{%s}si' % SHEET_MAIN_NS:
            strings.append(unescaped(Text.from_tree(node).content))
            node.clear()
    return strings


openpyxl.reader.excel.read_string_table = read_string_table


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
            # Only where set, so that what other cells read back stays as it was.
            if cell.alignment.wrap_text:
                cells[cell.coordinate]['wrap'] = True
            # A link within the workbook: where it leads, as 'Sheet'!A1.
            if cell.hyperlink is not None:
                cells[cell.coordinate]['link'] = cell.hyperlink.location or cell.hyperlink.target
        widths = {}
        for dim in sheet.column_dimensions.values():
            if dim.customWidth:
                for column in range(dim.min, dim.max + 1):
                    widths[get_column_letter(column)] = dim.width
        # Only the rows given a height; the others have the sheet's default.
        heights = {str(row): dim.ht for row, dim in sheet.row_dimensions.items() if dim.ht is not None}
        entry = {'name': sheet.title, 'cells': cells, 'widths': widths, 'heights': heights}
        # Only for a sheet with merged cells: each area as "C24:E24".
        if sheet.merged_cells.ranges:
            entry['merged'] = sorted(str(area) for area in sheet.merged_cells.ranges)
        # Only for a sheet with a print setup of its own.
        setup = sheet.page_setup
        fit = sheet.sheet_properties.pageSetUpPr
        footer = sheet.oddFooter
        if setup.orientation or (fit is not None and fit.fitToPage) or footer.left.text or footer.right.text:
            entry['pageSetup'] = {
                'orientation': setup.orientation,
                'fitToPage': bool(fit is not None and fit.fitToPage),
                # A number the file leaves out is 1, the file format's default.
                'fitToWidth': 1 if setup.fitToWidth is None else int(setup.fitToWidth),
                'fitToHeight': 1 if setup.fitToHeight is None else int(setup.fitToHeight),
                'footerLeft': footer.left.text, 'footerRight': footer.right.text,
            }
        sheets.append(entry)
    # ASCII with \u escapes: a lone surrogate cannot be written as UTF-8.
    json.dump({'contentType': content_type(path), 'active': book.index(book.active), 'sheets': sheets},
              sys.stdout)


# Comma-separated, quoted with ", UTF-16 (which carries every unit), from
# row 1, every sheet to a file of its own.
CSV_FILTER = 'csv:Text - txt - csv (StarCalc):44,34,65535,1,,0,false,true,false,false,false,-1'


def read_with_libreoffice(path):
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, 'book' + os.path.splitext(path)[1])
        shutil.copyfile(path, copy)
        out = os.path.join(work, 'sheets')
        run = subprocess.run(['soffice', '-env:UserInstallation=' + pathlib.Path(work, 'profile').as_uri(),
                              '--headless', '--convert-to', CSV_FILTER, '--outdir', out, copy],
                             capture_output=True, text=True, timeout=180)
        # One line for each sheet, in order: "Writing sheet NAME -> FILE".
        written = re.findall('^Writing sheet (.*) -> (' + re.escape(out) + '/.*)$', run.stdout, re.MULTILINE)
        if run.returncode != 0 or not written:
            sys.exit('LibreOffice did not convert the workbook:\n' + run.stdout + run.stderr)
        sheets = []
        for name, file in written:
            cells = {}
            with open(file, encoding='utf-16', errors='surrogatepass', newline='') as f:
                for row, fields in enumerate(csv.reader(f), start=1):
                    for column, text in enumerate(fields, start=1):
                        if text:
                            cells[get_column_letter(column) + str(row)] = {'value': {'text': text}}
            sheets.append({'name': name, 'cells': cells})
    json.dump({'sheets': sheets}, sys.stdout)


def render_with_libreoffice(path):
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, 'book' + os.path.splitext(path)[1])
        shutil.copyfile(path, copy)
        run = subprocess.run(['soffice', '-env:UserInstallation=' + pathlib.Path(work, 'profile').as_uri(),
                              '--headless', '--convert-to', 'pdf', '--outdir', work, copy],
                             capture_output=True, text=True, timeout=180)
        pdf = os.path.join(work, 'book.pdf')
        if run.returncode != 0 or not os.path.exists(pdf):
            sys.exit('LibreOffice did not print the workbook:\n' + run.stdout + run.stderr)
        # Below two header lines, one font a line, its name first, in
        # PDF's subset form ABCDEF+Name.
        listed = subprocess.run(['pdffonts', pdf], capture_output=True, text=True, check=True, timeout=60)
        fonts = sorted({line.split()[0].split('+')[-1] for line in listed.stdout.splitlines()[2:] if line.strip()})
        boxes = subprocess.run(['pdftotext', '-bbox', pdf, '-'], capture_output=True, text=True, check=True,
                               timeout=60)
    xhtml = '{http://www.w3.org/1999/xhtml}'
    pages = []
    for page in ElementTree.fromstring(boxes.stdout).iter(xhtml + 'page'):
        words = []
        for word in page.iter(xhtml + 'word'):
            words.append({'text': word.text, **{edge: float(word.get(edge)) for edge in ('xMin', 'yMin', 'xMax', 'yMax')}})
        pages.append({'words': words})
    json.dump({'fonts': fonts, 'pages': pages}, sys.stdout)


def open_with_libreoffice(paths):
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.connection import NoConnectException
    with tempfile.TemporaryDirectory() as work:
        pipe = 'quillmere-test-%d' % os.getpid()
        # In a session of its own: soffice is a script that starts soffice.bin,
        # and on a failure the whole group is ended, not only the script.
        office = subprocess.Popen(['soffice', '-env:UserInstallation=' + pathlib.Path(work, 'profile').as_uri(),
                                   '--headless', '--invisible', '--norestore', '--nologo',
                                   '--accept=pipe,name=%s;urp;' % pipe],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        desktop = None
        try:
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext('com.sun.star.bridge.UnoUrlResolver', local)
            deadline = time.monotonic() + 120
            while True:
                try:
                    context = resolver.resolve('uno:pipe,name=%s;urp;StarOffice.ComponentContext' % pipe)
                    break
                except NoConnectException:
                    if time.monotonic() > deadline or office.poll() is not None:
                        sys.exit('LibreOffice did not start')
                    time.sleep(0.2)
            desktop = context.ServiceManager.createInstanceWithContext('com.sun.star.frame.Desktop', context)
            documents = []
            for path in paths:
                document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), '_blank', 0,
                                                        (PropertyValue(Name='Hidden', Value=True),))
                if document is None:
                    sys.exit('LibreOffice did not open ' + path)
                documents.append({'url': document.getURL(), 'sheets': list(document.Sheets.ElementNames)})
                document.close(True)
        finally:
            ended = False
            if desktop is not None:
                try:
                    desktop.terminate()
                    office.wait(30)
                    ended = True
                except Exception:
                    pass  # a LibreOffice that no longer answers is ended below
            # While the script has not been waited for, its group is its own.
            if not ended and office.poll() is None:
                os.killpg(office.pid, signal.SIGKILL)
            office.wait()
    json.dump({'documents': documents}, sys.stdout)


if __name__ == '__main__':
    if sys.argv[1] == '--libreoffice':
        read_with_libreoffice(sys.argv[2])
    elif sys.argv[1] == '--libreoffice-pdf':
        render_with_libreoffice(sys.argv[2])
    elif sys.argv[1] == '--libreoffice-open':
        open_with_libreoffice(sys.argv[2:])
    else:
        main(sys.argv[1])
