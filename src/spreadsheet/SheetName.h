#pragma once

#include <QString>

// The spreadsheet's rules for a worksheet's name. Returns an empty string
// when the name may be given to a sheet, else the reason it may not, in
// words for the user; usedByAnotherSheet tells whether another sheet of the
// workbook carries the name already, compared without regard to case.
QString SheetNameProblem(const QString &name, bool usedByAnotherSheet);

// The form in which sheet names are compared: Unicode case folding.
inline QString SheetNameKey(const QString &name) {
    return name.toCaseFolded();
}
