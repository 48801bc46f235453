#pragma once

#include <QStringView>

// The number of lines a text wrapped within a cell takes, in the workbook's
// default font (Calibri, 11 points) on a 96-dpi screen, in a cell that
// leaves widthPixels pixels for its text. Counted to err towards a line too
// many: widths a little wide, and fewer places to break than a spreadsheet
// may use (see WrappedLines.cpp). At least 1, also for an empty text.
int WrappedLineCount(QStringView text, int widthPixels);
