#pragma once

#include "SharedStrings.h"
#include "SheetCells.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

namespace spreadsheet {

// What the finished package changes in the one libxlsxwriter wrote.
struct PackageEdits {
    // Declare the workbook part as a template's (.xltx), so that the desktop
    // opens the file as a new, untitled document.
    bool asTemplate = false;
    // Per sheet, in order: column (1-based) to width in character units.
    // libxlsxwriter rounds widths to whole pixels of its default font; the
    // finished file keeps them as set.
    std::vector<std::map<int, double>> columnWidths;
    // Per sheet, in order: the cells, which libxlsxwriter leaves out, and
    // the texts they share, which replace the table libxlsxwriter wrote.
    std::vector<SheetCells> sheetCells;
    SharedStrings sharedStrings;
};

// Copies the package in the file named from to the file named to (both
// names as the system takes them) with the edits applied; parts that do not
// change are copied as they are compressed. Throws Failure naming path, the
// workbook's name for the user, on failure.
void FinishPackage(const QByteArray &from, const QByteArray &to, const QString &path, const PackageEdits &edits);

// The width the file stores for a column width in character units: the
// character count plus the cell padding, in 1/256ths of a character.
double StoredColumnWidth(double width);

} // namespace spreadsheet
