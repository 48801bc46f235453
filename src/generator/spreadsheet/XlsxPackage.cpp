#include "XlsxPackage.h"

#include "common/Failure.h"

#include <QByteArray>
#include <QFile>
#include <cmath>
#include <memory>
#include <unzip.h>
#include <zip.h>

namespace spreadsheet {

namespace {

const QByteArray ContentTypesPart = "[Content_Types].xml";
const QByteArray SheetPartPrefix = "xl/worksheets/sheet";
const QByteArray WorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
const QByteArray TemplateType = "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";

// The default font's digit is 7 pixels wide and a cell adds 5 pixels.
constexpr double DigitPixels = 7;
constexpr double PaddingPixels = 5;

struct UnzipCloser {
    void operator()(void *file) const { unzClose(file); }
};
struct ZipCloser {
    void operator()(void *file) const { zipClose(file, nullptr); }
};

class PackageCopy {
public:
    PackageCopy(const QString &from, const QString &to)
        : to_(to), in_(unzOpen64(QFile::encodeName(from).constData())),
          out_(zipOpen64(QFile::encodeName(to).constData(), APPEND_STATUS_CREATE))
    {
        if (!in_ || !out_)
            fail();
    }

    [[noreturn]] void fail() const
    {
        throw Failure(QStringLiteral("ブック「%1」を書き込めません。").arg(to_));
    }

    // The part as it is stored, for copying without recompressing it.
    void copyRaw(const unz_file_info64 &info, const char *name)
    {
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(in_.get(), &method, &level, 1) != UNZ_OK)
            fail();
        QByteArray raw(static_cast<qsizetype>(info.compressed_size), Qt::Uninitialized);
        const int got = raw.isEmpty() ? 0 : unzReadCurrentFile(in_.get(), raw.data(), static_cast<unsigned>(raw.size()));
        if (got != raw.size() || unzCloseCurrentFile(in_.get()) != UNZ_OK)
            fail();
        zip_fileinfo entry{};
        entry.dosDate = info.dosDate;
        const bool written =
            zipOpenNewFileInZip2_64(out_.get(), name, &entry, nullptr, 0, nullptr, 0, nullptr, method, level, 1,
                                    info.uncompressed_size > 0xFFFFFFFFu) == ZIP_OK &&
            zipWriteInFileInZip(out_.get(), raw.constData(), static_cast<unsigned>(raw.size())) == ZIP_OK &&
            zipCloseFileInZipRaw64(out_.get(), info.uncompressed_size, info.crc) == ZIP_OK;
        if (!written)
            fail();
    }

    QByteArray read(const unz_file_info64 &info)
    {
        if (unzOpenCurrentFile(in_.get()) != UNZ_OK)
            fail();
        QByteArray data(static_cast<qsizetype>(info.uncompressed_size), Qt::Uninitialized);
        const int got = data.isEmpty() ? 0 : unzReadCurrentFile(in_.get(), data.data(), static_cast<unsigned>(data.size()));
        if (got != data.size() || unzCloseCurrentFile(in_.get()) != UNZ_OK)
            fail();
        return data;
    }

    void write(const unz_file_info64 &info, const char *name, const QByteArray &data)
    {
        zip_fileinfo entry{};
        entry.dosDate = info.dosDate;
        // The fastest level: the parts are rewritten for every workbook.
        const bool written =
            zipOpenNewFileInZip64(out_.get(), name, &entry, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_BEST_SPEED, data.size() > 0x7FFFFFFF) == ZIP_OK &&
            zipWriteInFileInZip(out_.get(), data.constData(), static_cast<unsigned>(data.size())) == ZIP_OK &&
            zipCloseFileInZip(out_.get()) == ZIP_OK;
        if (!written)
            fail();
    }

    unzFile in() const { return in_.get(); }

    void close()
    {
        if (zipClose(out_.release(), nullptr) != ZIP_OK)
            fail();
    }

private:
    QString to_;
    std::unique_ptr<void, UnzipCloser> in_;
    std::unique_ptr<void, ZipCloser> out_;
};

// "xl/worksheets/sheet12.xml" is the twelfth sheet; -1 for other parts.
int SheetIndexOf(const QByteArray &name)
{
    if (!name.startsWith(SheetPartPrefix) || !name.endsWith(".xml"))
        return -1;
    bool ok = false;
    const int number = name.mid(SheetPartPrefix.size(), name.size() - SheetPartPrefix.size() - 4).toInt(&ok);
    return ok && number >= 1 ? number - 1 : -1;
}

// Puts the widths into the sheet's column list, replacing the one written.
bool SetColumnWidths(QByteArray &sheet, const std::map<int, double> &widths)
{
    if (widths.empty())
        return false;
    const qsizetype start = sheet.indexOf("<cols>");
    const qsizetype end = sheet.indexOf("</cols>");
    if (start < 0 || end < start)
        return false;
    QByteArray cols = "<cols>";
    for (const auto &[column, width] : widths)
        cols += QByteArray("<col min=\"") + QByteArray::number(column) + "\" max=\"" + QByteArray::number(column) +
                "\" width=\"" + QByteArray::number(StoredColumnWidth(width), 'g', 16) + "\" customWidth=\"1\"/>";
    sheet.replace(start, end - start, cols);
    return true;
}

} // namespace

double StoredColumnWidth(double width)
{
    const double characters = width < 1 ? width * (DigitPixels + PaddingPixels) / DigitPixels
                                         : width + PaddingPixels / DigitPixels;
    return std::floor(characters * 256) / 256;
}

namespace {

void CopyPackage(const QString &from, const QString &to, const PackageEdits &edits)
{
    PackageCopy copy(from, to);
    bool declared = false;
    int status = unzGoToFirstFile(copy.in());
    for (; status == UNZ_OK; status = unzGoToNextFile(copy.in())) {
        unz_file_info64 info{};
        char name[512] = {};
        if (unzGetCurrentFileInfo64(copy.in(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            copy.fail();
        const int sheet = SheetIndexOf(name);
        const bool sheetEdited = sheet >= 0 && sheet < static_cast<int>(edits.columnWidths.size()) &&
                                 !edits.columnWidths[static_cast<size_t>(sheet)].empty();
        if (name == ContentTypesPart) {
            QByteArray types = copy.read(info);
            declared = types.contains(WorkbookType);
            if (edits.asTemplate)
                types.replace(WorkbookType, TemplateType);
            copy.write(info, name, types);
        } else if (sheetEdited) {
            QByteArray xml = copy.read(info);
            if (!SetColumnWidths(xml, edits.columnWidths[static_cast<size_t>(sheet)]))
                copy.fail();
            copy.write(info, name, xml);
        } else {
            copy.copyRaw(info, name);
        }
    }
    copy.close();
    if (status != UNZ_END_OF_LIST_OF_FILE || !declared)
        copy.fail();
}

} // namespace

void FinishPackage(const QString &from, const QString &to, const PackageEdits &edits)
{
    try {
        CopyPackage(from, to, edits);
    } catch (...) {
        QFile::remove(to); // never leave half a workbook behind
        throw;
    }
}

} // namespace spreadsheet
