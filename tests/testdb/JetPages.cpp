#include "testdb/JetPages.h"

#include "common/Failure.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>

namespace {

// The region of page 0 that Access masks with the RC4 keystream of a fixed key.
constexpr int MaskedOffset = 0x18;
constexpr std::array<quint8, 4> HeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

void Rc4Apply(const quint8 *key, size_t keyLength, char *data, size_t length) {
    std::array<quint8, 256> s;
    for (size_t i = 0; i < 256; ++i)
        s[i] = static_cast<quint8>(i);
    for (size_t i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] = static_cast<char>(data[n] ^ s[(s[i] + s[j]) & 0xFF]);
    }
}

constexpr int MaxRecordsPerPage = 255; // a record reference holds its number in a byte

int RecordSpace(const JetFormat &format) {
    return format.pageSize - format.rowCountOffset - 2;
}

void SetBit(char *bitmap, quint32 bit) {
    bitmap[bit / 8] = static_cast<char>(bitmap[bit / 8] | (1 << (bit % 8)));
}

// Where a map kept within its row starts, or nullopt when the pages do not fit.
std::optional<quint32> InlineMapStart(const JetFormat &format, const QList<quint32> &pages) {
    const quint32 bits = static_cast<quint32>(format.mapBitmapBytes) * 8;
    if (pages.isEmpty())
        return 0;
    const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
    const quint32 start = *high < bits ? 0 : *low;
    if (*high - start >= bits)
        return std::nullopt;
    return start;
}

} // namespace

void WriteHeaderPage(const JetFormat &format, double createdSerial, char *page) {
    static const char magic[] = {0x00, 0x01, 0x00, 0x00};
    std::memcpy(page, magic, 4);
    std::memcpy(page + 4, "Standard Jet DB", 16);
    Le::set32(page + 0x14, format.jet3 ? 0 : 1);
    // Found at the start of the masked region in every file Access wrote.
    static const quint8 preamble[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                      0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                      0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(page + MaskedOffset, preamble, sizeof preamble);
    Le::set16(page + 0x3C, format.codePage);
    Le::set32(page + 0x3E, 0); // no encryption key
    if (format.jet3) {
        Le::set16(page + 0x38, 1);
        Le::set16(page + 0x3A, 0x0409); // the General sort order
        // the 20-byte password at 0x42 stays empty
    } else {
        // Jet 4 masks the 40-byte password with the integer part of the
        // creation date; an empty one is the mask itself.
        const auto whole = static_cast<quint32>(static_cast<qint32>(createdSerial));
        for (int i = 0; i < 40; i += 4)
            Le::set32(page + 0x42 + i, whole);
        Le::set32(page + 0x6E, 0x0409);
        QByteArray date;
        Le::putDouble(date, createdSerial);
        std::memcpy(page + 0x72, date.constData(), 8);
        // Follows the masked region in every Jet 4 file Access wrote.
        static const char version[] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', '\0'};
        std::memcpy(page + 0x98, version, sizeof version);
    }
    const size_t masked = format.jet3 ? 126 : 128;
    Rc4Apply(HeaderKey.data(), HeaderKey.size(), page + MaskedOffset, masked);
}

QList<QList<QByteArray>> PackRecords(const JetFormat &format, const QList<QByteArray> &records) {
    QList<QList<QByteArray>> pages;
    int used = RecordSpace(format);
    for (const QByteArray &record : records) {
        const int need = static_cast<int>(record.size()) + 2;
        if (need > RecordSpace(format))
            throw Failure(
                FailureKind::Internal,
                QStringLiteral("a record of %1 bytes does not fit on a page").arg(record.size()));
        if (pages.isEmpty() || used + need > RecordSpace(format) ||
            pages.last().size() == MaxRecordsPerPage) {
            pages.append(QList<QByteArray>());
            used = 0;
        }
        pages.last() << record;
        used += need;
    }
    return pages;
}

int MaxRecordSize(const JetFormat &format) {
    return RecordSpace(format) - 2; // less its offset
}

void WriteDataPage(const JetFormat &format, quint32 owner, const QList<QByteArray> &records,
                   char *page) {
    page[0] = 0x01;
    page[1] = 0x01;
    Le::set32(page + 4, owner);
    Le::set16(page + format.rowCountOffset, static_cast<int>(records.size()));
    int end = format.pageSize;
    for (int i = 0; i < records.size(); ++i) {
        const QByteArray &r = records[i];
        end -= static_cast<int>(r.size());
        std::memcpy(page + end, r.constData(), static_cast<size_t>(r.size()));
        Le::set16(page + format.rowCountOffset + 2 + 2 * i, end);
    }
    const int header = format.rowCountOffset + 2 + 2 * static_cast<int>(records.size());
    Le::set16(page + 2, end - header);
}

int UsageMapPagesNeeded(const JetFormat &format, const QList<quint32> &pages) {
    if (InlineMapStart(format, pages))
        return 0;
    std::set<quint32> mapIndexes;
    for (quint32 p : pages)
        mapIndexes.insert(p / static_cast<quint32>(format.pagesPerMapPage()));
    return static_cast<int>(mapIndexes.size());
}

QByteArray UsageMapRow(const JetFormat &format, const QList<quint32> &pages,
                       const QList<quint32> &mapPages, QByteArray &image) {
    QByteArray row(format.mapRowSize(), '\0');
    if (const auto start = InlineMapStart(format, pages)) {
        Le::set32(row.data() + 1, *start);
        for (quint32 p : pages)
            SetBit(row.data() + 5, p - *start);
        return row;
    }

    // Type 1: a pointer per usage map page, each page covering its share of
    // the file from page 0 on; pointers without pages stay 0.
    row[0] = 0x01;
    const auto perPage = static_cast<quint32>(format.pagesPerMapPage());
    const int pointers = (format.mapRowSize() - 1) / 4;
    std::set<quint32> mapIndexes;
    for (quint32 p : pages)
        mapIndexes.insert(p / perPage);
    if (static_cast<int>(mapIndexes.size()) != mapPages.size() ||
        *mapIndexes.rbegin() >= quint32(pointers))
        throw Failure(FailureKind::Internal,
                      QStringLiteral("the file is too large for its usage maps"));
    int next = 0;
    for (quint32 index : mapIndexes) {
        const quint32 mapPage = mapPages[next++];
        Le::set32(row.data() + 1 + 4 * index, mapPage);
        char *page = image.data() + qsizetype(mapPage) * format.pageSize;
        page[0] = 0x05;
        page[1] = 0x01;
        for (quint32 p : pages)
            if (p / perPage == index)
                SetBit(page + 4, p % perPage);
    }
    return row;
}

void WriteGlobalMapPage(const JetFormat &format, quint32 pageCount, char *page) {
    const quint32 bits = static_cast<quint32>(format.mapBitmapBytes) * 8;
    QByteArray freePages(format.mapRowSize(), '\0');
    for (quint32 p = pageCount; p < bits; ++p)
        SetBit(freePages.data() + 5, p);
    const QByteArray empty(format.mapRowSize(), '\0');
    WriteDataPage(format, 1, {freePages, empty}, page);
}

void WriteEmptyIndexPage(const JetFormat &format, quint32 tdefPage, char *page) {
    page[0] = 0x04;
    page[1] = 0x01;
    Le::set16(page + 2, format.pageSize - format.firstIndexEntry);
    Le::set32(page + 4, tdefPage);
}
