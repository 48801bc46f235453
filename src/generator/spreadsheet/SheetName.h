#pragma once

#include <QString>
#include <QStringList>

// The spreadsheet's rules for a worksheet's name. Returns an empty string
// when the name may be given to a sheet of a workbook whose other sheets
// carry otherNames, else the reason it may not, in words for the user.
QString SheetNameProblem(const QString &name, const QStringList &otherNames);
