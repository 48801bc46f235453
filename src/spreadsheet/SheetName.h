#pragma once

#include <QString>
#include <functional>

// The spreadsheet's rules for a worksheet's name. Returns an empty string
// when the name may be given to a sheet, else the reason it may not, in
// words for the user; usedByAnotherSheet tells whether another sheet of the
// workbook carries the name already, compared without regard to case.
QString SheetNameProblem(const QString &name, bool usedByAnotherSheet);

// The nearest name to the given one that the spreadsheet takes for a new
// sheet: every character a sheet name may not hold, and an apostrophe at
// either end, replaced by "_", the name cut to the length a sheet name may
// have (never inside a surrogate pair), and, while isTaken says that name
// is taken (isTaken is given the SheetNameKey of a name), a suffix "~2",
// "~3", … added within that length. A name the spreadsheet takes as it is
// comes back unchanged unless taken.
QString NearestSheetName(const QString &name,
                         const std::function<bool(const QString &key)> &isTaken);

// The form in which sheet names are compared: Unicode case folding.
inline QString SheetNameKey(const QString &name) {
    return name.toCaseFolded();
}
