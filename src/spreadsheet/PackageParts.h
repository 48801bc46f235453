#pragma once

#include <QByteArray>
#include <QString>

// The parts of a written workbook package, read back with minizip. Both
// functions take files by the name the system takes, and throw Failure
// naming path, the workbook's name for the user.
namespace spreadsheet {

// Checks that every part of the package in the file is complete: its
// contents match their checksum, and each part, all of them XML, ends with
// the end of its root element. libxlsxwriter writes every part to a
// temporary file first and does not notice when that write fails (a full
// temporary folder, a file size limit): the part is then stored cut short,
// and workbook_close() reports success.
void CheckPackage(const QByteArray &file, const QString &path);

// Copies the package in the file named from to the file named to as a
// spreadsheet template (.xltx): opened on the desktop, a template becomes a
// new, untitled document, so that the user's first save asks where.
// libxlsxwriter cannot declare that type, so [Content_Types].xml is written
// anew with the workbook part declared a template's; every other part is
// copied as it is compressed, nothing inflated or deflated again.
void CopyAsTemplate(const QByteArray &from, const QByteArray &to, const QString &path);

// The content types with the workbook part declared a template's; empty when
// they cannot be read, hold a document type declaration or declare no
// workbook part as libxlsxwriter writes it.
QByteArray TemplateContentTypes(const QByteArray &types);

// Whether the contents of an XML part end with the end of the element they
// start with (after the declaration): what a part cut short lacks.
bool EndsItsRootElement(QByteArrayView head, QByteArrayView tail);

} // namespace spreadsheet
