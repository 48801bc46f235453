#include "XlsxPackage.h"

#include "common/Failure.h"

#include <QByteArray>
#include <QThreadPool>
#include <cmath>
#include <deque>
#include <future>
#include <memory>
#include <unzip.h>
#include <zip.h>
#include <zlib.h>

namespace spreadsheet {

namespace {

const QByteArray ContentTypesPart = "[Content_Types].xml";
const QByteArray SheetPartPrefix = "xl/worksheets/sheet";
const QByteArray SharedStringsPart = "xl/sharedStrings.xml";
const QByteArray WorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
const QByteArray TemplateType = "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";

// The default font's digit is 7 pixels wide and a cell adds 5 pixels.
constexpr double DigitPixels = 7;
constexpr double PaddingPixels = 5;

// How many parts may be on their way through the workers at once.
constexpr size_t PartsInFlight = 16;

struct UnzipCloser {
    void operator()(void *file) const { unzClose(file); }
};
struct ZipCloser {
    void operator()(void *file) const { zipClose(file, nullptr); }
};

// One part of the package as it is stored: deflated (or as it was), with
// the checksum and size of its contents.
struct StoredPart {
    QByteArray name;
    uLong dosDate = 0;
    int method = Z_DEFLATED;
    int level = Z_DEFAULT_COMPRESSION;
    QByteArray data;
    uLong crc = 0;
    ZPOS64_T size = 0;
    bool ok = true;
};

QByteArray Inflate(const QByteArray &raw, ZPOS64_T size, bool &ok)
{
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    z_stream z{};
    ok = inflateInit2(&z, -MAX_WBITS) == Z_OK;
    if (!ok)
        return {};
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(raw.constData()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    ok = inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == size;
    inflateEnd(&z);
    return out;
}

// Deflates at the fastest level: the parts are rewritten for every workbook.
// Each worker keeps its stream: making one allocates and clears a quarter
// megabyte, more than deflating a small part takes.
QByteArray Deflate(const QByteArray &contents, bool &ok)
{
    struct Stream {
        z_stream z{};
        bool ready = deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        ~Stream()
        {
            if (ready)
                deflateEnd(&z);
        }
    };
    thread_local Stream stream;
    z_stream &z = stream.z;
    ok = stream.ready && deflateReset(&z) == Z_OK;
    if (!ok)
        return {};
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(contents.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(contents.constData()));
    z.avail_in = static_cast<uInt>(contents.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.truncate(static_cast<qsizetype>(z.total_out));
    return out;
}

// Gives the part new contents, stored deflated.
void Replace(StoredPart &part, const QByteArray &contents)
{
    part.method = Z_DEFLATED;
    part.level = Z_BEST_SPEED;
    part.size = static_cast<ZPOS64_T>(contents.size());
    part.crc = crc32(0, reinterpret_cast<const Bytef *>(contents.constData()), static_cast<uInt>(contents.size()));
    part.data = Deflate(contents, part.ok);
}

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

// Reads the parts of one package and writes them, in the same order, to
// another. Parts that change are changed on a pool of workers while the
// reading goes on; the others are copied as they are stored.
class PackageCopy {
public:
    PackageCopy(const QByteArray &from, const QByteArray &to, const QString &path, const PackageEdits &edits)
        : to_(path), edits_(edits), in_(unzOpen64(from.constData())), out_(zipOpen64(to.constData(), APPEND_STATUS_CREATE))
    {
        if (!in_ || !out_)
            fail();
    }

    ~PackageCopy()
    {
        for (auto &part : inFlight_) // a failure part way: let the workers finish
            if (part.valid())
                part.wait();
    }

    [[noreturn]] void fail() const { throw Failure(QStringLiteral("ブック「%1」を書き込めません。").arg(to_)); }

    void copy()
    {
        int status = unzGoToFirstFile(in_.get());
        for (; status == UNZ_OK; status = unzGoToNextFile(in_.get())) {
            StoredPart part = readStored();
            const int sheet = SheetIndexOf(part.name);
            const std::map<int, double> *widths =
                sheet >= 0 && sheet < static_cast<int>(edits_.columnWidths.size()) &&
                        !edits_.columnWidths[static_cast<size_t>(sheet)].empty()
                    ? &edits_.columnWidths[static_cast<size_t>(sheet)]
                    : nullptr;
            const SheetCells *cells = sheet >= 0 && sheet < static_cast<int>(edits_.sheetCells.size())
                                          ? &edits_.sheetCells[static_cast<size_t>(sheet)]
                                          : nullptr;
            if (part.name == ContentTypesPart) {
                declared_ = true;
                enqueue([part = std::move(part), asTemplate = edits_.asTemplate]() mutable {
                    QByteArray types = Inflate(part.data, part.size, part.ok);
                    if (!part.ok || !types.contains(WorkbookType)) {
                        part.ok = false;
                        return part;
                    }
                    if (asTemplate)
                        types.replace(WorkbookType, TemplateType);
                    Replace(part, types);
                    return part;
                });
            } else if (part.name == SharedStringsPart && !edits_.sharedStrings.isEmpty()) {
                enqueue([part = std::move(part), strings = &edits_.sharedStrings]() mutable {
                    Replace(part, strings->xml());
                    return part;
                });
            } else if (widths || cells) {
                enqueue([part = std::move(part), widths, cells]() mutable {
                    QByteArray xml = Inflate(part.data, part.size, part.ok);
                    part.ok = part.ok && (!cells || cells->putInto(xml)) && (!widths || SetColumnWidths(xml, *widths));
                    if (part.ok)
                        Replace(part, xml);
                    return part;
                });
            } else {
                std::promise<StoredPart> asStored;
                asStored.set_value(std::move(part));
                inFlight_.push_back(asStored.get_future());
            }
            while (inFlight_.size() > PartsInFlight)
                writeNext();
        }
        while (!inFlight_.empty())
            writeNext();
        if (status != UNZ_END_OF_LIST_OF_FILE || !declared_ || zipClose(out_.release(), nullptr) != ZIP_OK)
            fail();
    }

private:
    StoredPart readStored()
    {
        unz_file_info64 info{};
        char name[512] = {};
        if (unzGetCurrentFileInfo64(in_.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            fail();
        StoredPart part;
        part.name = name;
        part.dosDate = info.dosDate;
        part.crc = info.crc;
        part.size = info.uncompressed_size;
        if (unzOpenCurrentFile2(in_.get(), &part.method, &part.level, 1) != UNZ_OK)
            fail();
        part.data.resize(static_cast<qsizetype>(info.compressed_size));
        const int got = part.data.isEmpty()
                            ? 0
                            : unzReadCurrentFile(in_.get(), part.data.data(), static_cast<unsigned>(part.data.size()));
        if (got != part.data.size() || unzCloseCurrentFile(in_.get()) != UNZ_OK)
            fail();
        if (part.method != Z_DEFLATED && part.method != 0)
            fail();
        return part;
    }

    template <typename Work>
    void enqueue(Work work)
    {
        auto promise = std::make_shared<std::promise<StoredPart>>();
        inFlight_.push_back(promise->get_future());
        workers_.start([promise, work = std::move(work)]() mutable { promise->set_value(work()); });
    }

    void writeNext()
    {
        StoredPart part = inFlight_.front().get();
        inFlight_.pop_front();
        if (!part.ok)
            fail();
        zip_fileinfo entry{};
        entry.dosDate = part.dosDate;
        const bool written =
            zipOpenNewFileInZip2_64(out_.get(), part.name.constData(), &entry, nullptr, 0, nullptr, 0, nullptr,
                                    part.method, part.level, 1, part.size > 0xFFFFFFFFu) == ZIP_OK &&
            zipWriteInFileInZip(out_.get(), part.data.constData(), static_cast<unsigned>(part.data.size())) == ZIP_OK &&
            zipCloseFileInZipRaw64(out_.get(), part.size, part.crc) == ZIP_OK;
        if (!written)
            fail();
    }

    QString to_;
    const PackageEdits &edits_;
    std::unique_ptr<void, UnzipCloser> in_;
    std::unique_ptr<void, ZipCloser> out_;
    QThreadPool workers_;
    std::deque<std::future<StoredPart>> inFlight_;
    bool declared_ = false;
};

} // namespace

double StoredColumnWidth(double width)
{
    const double characters = width < 1 ? width * (DigitPixels + PaddingPixels) / DigitPixels
                                         : width + PaddingPixels / DigitPixels;
    return std::floor(characters * 256) / 256;
}

void FinishPackage(const QByteArray &from, const QByteArray &to, const QString &path, const PackageEdits &edits)
{
    PackageCopy(from, to, path, edits).copy();
}

} // namespace spreadsheet
