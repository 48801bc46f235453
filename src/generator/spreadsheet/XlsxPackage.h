#pragma once

#include <QByteArray>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <future>
#include <map>
#include <vector>

namespace spreadsheet {

// Part of a part's contents, deflated: the deflated bytes, and the checksum
// and size of the contents.
struct DeflatedPiece {
    QByteArray data;
    quint32 crc = 0;
    qint64 size = 0;
    bool ok = true;
};

// What the finished package changes in the one libxlsxwriter wrote.
struct PackageEdits {
    // Declare the workbook part as a template's (.xltx), so that the desktop
    // opens the file as a new, untitled document.
    bool asTemplate = false;
    // Per sheet, in order: column (1-based) to width in character units.
    // libxlsxwriter rounds widths to whole pixels of its default font; the
    // finished file keeps them as set.
    std::vector<std::map<int, double>> columnWidths;
    // Per sheet, in order: its cells, which libxlsxwriter leaves out.
    struct SheetContents {
        QByteArray dimension;             // the extent of the cells, "B2:F36"
        std::future<DeflatedPiece> data;  // the element sheetData
    };
    std::vector<SheetContents> sheets;
    // The shared strings the cells refer to, replacing libxlsxwriter's
    // table; not valid when the package has none.
    std::future<DeflatedPiece> sharedStrings;
};

// Deflates contents on one of the workers. A piece that is not the last of
// its part ends on a byte boundary, so that the next piece, deflated on its
// own, can follow it in the same stored part.
std::future<DeflatedPiece> StartDeflating(QThreadPool &workers, std::function<QByteArray()> contents, bool last);

// Copies the package in the file named from to the file named to (both
// names as the system takes them) with the edits applied; parts that change
// are changed on the workers that deflated the edits, parts that do not are
// copied as they are compressed. Throws Failure naming path, the workbook's
// name for the user, on failure.
void FinishPackage(const QByteArray &from, const QByteArray &to, const QString &path, PackageEdits &edits,
                   QThreadPool &workers);

// The width the file stores for a column width in character units: the
// character count plus the cell padding, in 1/256ths of a character.
double StoredColumnWidth(double width);

} // namespace spreadsheet
