#pragma once

#include <QJsonObject>
#include <QString>

// Reads a written workbook back with an independent reader (openpyxl, run
// by Debian's python3) and gives what it sees: "contentType", "active" (the
// index of the active sheet) and "sheets", each with "name", "widths" (by
// column letter), "heights" (by row number, only the rows given a height)
// and "cells" (by address: "value" as {"text"|"number"|"date"},
// "numberFormat", "bold", "fill", "border" with its drawn sides, "wrap":
// true only on cells whose text wraps, and "link" only on a cell that links
// somewhere: "'Sheet'!A1" for a place in the workbook), only for a sheet
// with merged cells "merged" (the areas, sorted, as "C24:E24"), and only for
// a sheet set up to print otherwise than by default, "pageSetup"
// ("orientation", "fitToPage", "fitToWidth", "fitToHeight", "footerLeft",
// "footerRight").
// Fails the calling test and gives an empty object when the reader fails.
// Both readers give cell text as the file means it: the escapes _xHHHH_ for
// characters XML cannot carry are decoded.
QJsonObject ReadWorkbook(const QString &path);

// Reads a written workbook back with a second independent reader,
// LibreOffice (soffice, run headless on a copy with a profile of its own),
// and gives "sheets", each with "name" and "cells" (by address: "value" as
// {"text"}, the text the cell shows). Fails the calling test likewise.
QJsonObject ReadWorkbookWithLibreOffice(const QString &path);

// Prints a written workbook to PDF with LibreOffice (headless, on a copy)
// and gives what it drew: "fonts" (the fonts' names, such as "Carlito") and
// "pages", each with "words": every word with its "text" and its box in
// points from the page's top left corner, "xMin", "yMin", "xMax", "yMax"
// (as pdftotext -bbox finds them). Fails the calling test likewise.
QJsonObject RenderWithLibreOffice(const QString &path);

// Opens the files with LibreOffice as a user's double click would and gives
// "documents", one per file in order, each with "url" (empty for a new,
// untitled document: what a template becomes) and "sheets" (their names).
// Fails the calling test likewise.
QJsonObject OpenWithLibreOffice(const QStringList &paths);

// The width in characters that a column's stored width stands for: the file
// adds the cell padding of the default font (5 pixels beside 7-pixel digits).
double ShownColumnWidth(double fileWidth);

// Whether a column's stored width reads back as the width set, rounded to
// the nearest pixel of the default font (1/7 of a character) as the
// spreadsheet application stores a width set by hand, and stored in 1/256ths
// of a character: within half a pixel and 1/256.
bool ReadsBackAsWidth(double fileWidth, double width);
