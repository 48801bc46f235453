#pragma once

#include <QByteArray>
#include <QString>

namespace spreadsheet {

// Copies the workbook package in the file named from to the file named to
// (both as the system takes them) as a spreadsheet template (.xltx): opened
// on the desktop, a template becomes a new, untitled document, so that the
// user's first save asks where. libxlsxwriter cannot declare that type, so
// [Content_Types].xml is written anew with the workbook part declared a
// template's; every other part is copied as it is compressed, nothing
// inflated or deflated again. Throws Failure naming path, the workbook's
// name for the user.
void CopyAsTemplate(const QByteArray &from, const QByteArray &to, const QString &path);

// The content types with the workbook part declared a template's; empty when
// they cannot be read or declare no workbook part.
QByteArray TemplateContentTypes(const QByteArray &types);

} // namespace spreadsheet
