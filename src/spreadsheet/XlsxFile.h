#pragma once

#include <QString>

namespace spreadsheet {

class Workbook;

// Writes the workbook as an .xlsx file, every part through libxlsxwriter:
// sheets in order with their names, the active sheet, values (dates with the
// built-in date-time format), bold fonts, the grey pattern, the border lines,
// the column widths and the row heights. Cells that nothing was written to
// stay absent, and rows never given a height keep the default. The file at
// path is replaced only once the new one is complete (see OutputTarget and
// DraftFile). Throws Failure on failure.
void WriteXlsx(const Workbook &workbook, const QString &path);

// The same file as a spreadsheet template (.xltx): opened on the desktop it
// becomes a new, untitled document, so the user's first save asks where.
void WriteXltx(const Workbook &workbook, const QString &path);

} // namespace spreadsheet
