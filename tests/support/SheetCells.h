#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

// What ReadWorkbook and ReadWorkbookWithLibreOffice give (support/
// WorkbookReader.h), read by sheet and by cell. A sheet or a cell the file
// does not hold reads as an empty object, so that the comparison made with
// it fails rather than the test program.

// The sheets' names, in the workbook's order.
QStringList SheetNames(const QJsonObject &workbook);

// The sheet at this place (0 for the first).
QJsonObject SheetAt(const QJsonObject &workbook, int index);

// The first sheet of this name.
QJsonObject SheetNamed(const QJsonObject &workbook, const QString &name);

// The address of a cell in columns A to Z ("B7" for column 2, row 7).
QString A1(int column, int row);

// The cell at the address.
QJsonObject CellAt(const QJsonObject &sheet, const QString &address);

// The cell's value if it is of this kind ("text", "number" or "date"),
// else undefined.
QJsonValue ValueAt(const QJsonObject &sheet, const QString &address, const QString &kind);

// The cell's text; empty when its value is no text.
QString TextAt(const QJsonObject &sheet, const QString &address);

// The cell's date as "2024-05-02T18:00:05.250"; empty when its value is no
// date.
QString DateAt(const QJsonObject &sheet, const QString &address);

// No value: a cell absent from the file, or one without a value.
bool EmptyAt(const QJsonObject &sheet, const QString &address);

// The four sides of the cell's border as the reader found them, as
// "top:medium bottom:hair left:thin right:none" ("none": not drawn).
QString BordersAt(const QJsonObject &sheet, const QString &address);
