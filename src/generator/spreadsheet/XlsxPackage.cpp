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

// The contents of a part as read: stored as they are, or deflated.
QByteArray Contents(const StoredPart &part, bool &ok)
{
    if (part.method == 0) {
        ok = static_cast<ZPOS64_T>(part.data.size()) == part.size;
        return part.data;
    }
    return Inflate(part.data, part.size, ok);
}

// A deflate stream at the fastest level, kept by each thread: making one
// allocates and clears a quarter megabyte, more than deflating a small part
// takes. Small contents get a small window and hash, which are cleared for
// every piece.
struct DeflateStream {
    explicit DeflateStream(int windowBits, int memLevel)
        : ready(deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -windowBits, memLevel, Z_DEFAULT_STRATEGY) == Z_OK)
    {
    }
    ~DeflateStream()
    {
        if (ready)
            deflateEnd(&z);
    }
    z_stream z{};
    bool ready;
};
constexpr qsizetype SmallContents = 4096;

// Deflates at the fastest level: the parts are rewritten for every workbook.
DeflatedPiece Deflated(const QByteArray &contents, bool last)
{
    thread_local DeflateStream large(MAX_WBITS, 8);
    thread_local DeflateStream small(12, 1);
    DeflateStream &stream = contents.size() <= SmallContents ? small : large;
    z_stream &z = stream.z;
    DeflatedPiece piece;
    piece.ok = stream.ready && deflateReset(&z) == Z_OK;
    if (!piece.ok)
        return piece;
    piece.size = contents.size();
    piece.crc = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef *>(contents.constData()), static_cast<uInt>(contents.size())));
    // Room for the flush's empty block too, so that one call ends the piece.
    piece.data.resize(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(contents.size())) + 64));
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(contents.constData()));
    z.avail_in = static_cast<uInt>(contents.size());
    z.next_out = reinterpret_cast<Bytef *>(piece.data.data());
    z.avail_out = static_cast<uInt>(piece.data.size());
    const int status = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    piece.ok = last ? status == Z_STREAM_END : status == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    piece.data.truncate(static_cast<qsizetype>(z.total_out));
    return piece;
}

// The last contents given, deflated: deflated anew only for other contents.
class DeflatedOnce {
public:
    const DeflatedPiece &of(const QByteArray &contents, bool last)
    {
        if (!made_ || last != last_ || contents != contents_) {
            piece_ = Deflated(contents, last);
            contents_ = contents;
            last_ = last;
            made_ = true;
        }
        return piece_;
    }

private:
    QByteArray contents_;
    DeflatedPiece piece_;
    bool last_ = false;
    bool made_ = false;
};

// The pieces one after another, as one deflated part.
DeflatedPiece Joined(std::initializer_list<const DeflatedPiece *> pieces)
{
    DeflatedPiece joined;
    qsizetype bytes = 0;
    for (const DeflatedPiece *piece : pieces)
        bytes += piece->data.size();
    joined.data.reserve(bytes);
    for (const DeflatedPiece *piece : pieces) {
        joined.ok = joined.ok && piece->ok;
        joined.data += piece->data;
        joined.crc = static_cast<quint32>(crc32_combine(joined.crc, piece->crc, static_cast<z_off_t>(piece->size)));
        joined.size += piece->size;
    }
    return joined;
}

// Gives the part new contents, stored deflated.
void Replace(StoredPart &part, const DeflatedPiece &contents)
{
    part.method = Z_DEFLATED;
    part.level = Z_BEST_SPEED;
    part.size = static_cast<ZPOS64_T>(contents.size);
    part.crc = contents.crc;
    part.data = contents.data;
    part.ok = part.ok && contents.ok;
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
    // The sheets of a workbook mostly share their widths: the list made last
    // on this thread is taken again for the same widths.
    thread_local std::map<int, double> lastWidths;
    thread_local QByteArray cols;
    if (cols.isEmpty() || widths != lastWidths) {
        cols = "<cols>";
        for (const auto &[column, width] : widths)
            cols += QByteArray("<col min=\"") + QByteArray::number(column) + "\" max=\"" + QByteArray::number(column) +
                    "\" width=\"" + QByteArray::number(StoredColumnWidth(width), 'g', 16) + "\" customWidth=\"1\"/>";
        lastWidths = widths;
    }
    sheet.replace(start, end - start, cols);
    return true;
}

// A sheet part libxlsxwriter wrote without cells, with its extent and its
// sheet data put in: the part up to the extent, the extent, the part up to
// the sheet data with the widths set, the sheet data, the rest, each
// deflated on its own.
bool FillSheet(StoredPart &part, const QByteArray &dimension, const DeflatedPiece &sheetData,
               const std::map<int, double> *widths)
{
    static const QByteArray DimensionStart = "<dimension ref=\"";
    static const QByteArray EmptyData = "<sheetData/>";
    static const QByteArray DataEnd = "</sheetData>";
    bool ok = true;
    const QByteArray xml = Contents(part, ok);
    const qsizetype refStart = ok ? xml.indexOf(DimensionStart) : -1;
    const qsizetype refEnd = refStart < 0 ? -1 : xml.indexOf('"', refStart + DimensionStart.size());
    const qsizetype dataStart = refEnd < 0 ? -1 : xml.indexOf("<sheetData", refEnd);
    if (dataStart < 0)
        return false;
    qsizetype dataEnd = -1;
    if (QByteArrayView(xml).sliced(dataStart).startsWith(EmptyData)) {
        dataEnd = dataStart + EmptyData.size();
    } else {
        dataEnd = xml.indexOf(DataEnd, dataStart);
        if (dataEnd < 0)
            return false;
        dataEnd += DataEnd.size();
    }
    QByteArray middle = xml.sliced(refEnd, dataStart - refEnd);
    if (widths && !SetColumnWidths(middle, *widths))
        return false;
    // What surrounds the extent and the sheet data is mostly the same in
    // every sheet: deflated once on each thread, and again where it differs.
    thread_local DeflatedOnce start, between, end;
    const DeflatedPiece extent = Deflated(dimension, false);
    Replace(part, Joined({&start.of(xml.first(refStart + DimensionStart.size()), false), &extent,
                          &between.of(middle, false), &sheetData, &end.of(xml.sliced(dataEnd), true)}));
    return part.ok;
}

// Reads the parts of one package and writes them, in the same order, to
// another. Parts that change are changed on a pool of workers while the
// reading goes on; the others are copied as they are stored.
class PackageCopy {
public:
    PackageCopy(const QByteArray &from, const QByteArray &to, const QString &path, PackageEdits &edits,
                QThreadPool &workers)
        : to_(path), edits_(edits), workers_(workers), in_(unzOpen64(from.constData())), out_(zipOpen64(to.constData(), APPEND_STATUS_CREATE))
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
            PackageEdits::SheetContents *contents =
                sheet >= 0 && sheet < static_cast<int>(edits_.sheets.size()) &&
                        edits_.sheets[static_cast<size_t>(sheet)].data.valid()
                    ? &edits_.sheets[static_cast<size_t>(sheet)]
                    : nullptr;
            if (part.name == ContentTypesPart) {
                declared_ = true;
                enqueue([part = std::move(part), asTemplate = edits_.asTemplate]() mutable {
                    QByteArray types = Contents(part, part.ok);
                    if (!part.ok || !types.contains(WorkbookType)) {
                        part.ok = false;
                        return part;
                    }
                    if (asTemplate)
                        types.replace(WorkbookType, TemplateType);
                    Replace(part, Deflated(types, true));
                    return part;
                });
            } else if (part.name == SharedStringsPart && edits_.sharedStrings.valid()) {
                Replace(part, edits_.sharedStrings.get());
                enqueueDone(std::move(part));
            } else if (contents) {
                // Waited for here, so that no worker waits.
                enqueue([part = std::move(part), widths, dimension = contents->dimension,
                         data = contents->data.get()]() mutable {
                    part.ok = FillSheet(part, dimension, data, widths);
                    return part;
                });
            } else {
                enqueueDone(std::move(part)); // as stored
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

    // A part that needs no more work, written in its turn.
    void enqueueDone(StoredPart part)
    {
        std::promise<StoredPart> done;
        done.set_value(std::move(part));
        inFlight_.push_back(done.get_future());
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
    PackageEdits &edits_;
    QThreadPool &workers_;
    std::unique_ptr<void, UnzipCloser> in_;
    std::unique_ptr<void, ZipCloser> out_;
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

std::future<DeflatedPiece> StartDeflating(QThreadPool &workers, std::function<QByteArray()> contents, bool last)
{
    auto promise = std::make_shared<std::promise<DeflatedPiece>>();
    auto piece = promise->get_future();
    workers.start([promise, contents = std::move(contents), last] {
        try {
            promise->set_value(Deflated(contents(), last));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    return piece;
}

void FinishPackage(const QByteArray &from, const QByteArray &to, const QString &path, PackageEdits &edits,
                   QThreadPool &workers)
{
    PackageCopy(from, to, path, edits, workers).copy();
}

} // namespace spreadsheet
