#include "reader/LongValue.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t LengthMask = 0x3FFFFFFF;
constexpr uint32_t Inline = 0x80000000;
constexpr uint32_t SingleRow = 0x40000000;
constexpr size_t HeaderSize = 12;
constexpr unsigned char DataPageType = 0x01;
constexpr unsigned OffsetMask = 0x1FFF;
constexpr unsigned DeletedFlag = 0x8000;

uint32_t Get32(const unsigned char *p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

unsigned Get16(const unsigned char *p) {
    return unsigned{p[0]} | unsigned{p[1]} << 8;
}

// The bytes of the row a long-value pointer (page << 8 | row) names.
std::optional<std::string> PointedRow(MdbHandle *mdb, uint32_t pointer) {
    const size_t pageSize = static_cast<size_t>(mdb->fmt->pg_size);
    const unsigned long page = pointer >> 8;
    const unsigned row = pointer & 0xFF;
    if (page == 0 || pageSize > MDB_PGSIZE || mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size)
        return std::nullopt;
    const std::vector<unsigned char> buffer(mdb->alt_pg_buf, mdb->alt_pg_buf + pageSize);
    if (buffer[0] != DataPageType)
        return std::nullopt;
    const size_t countAt = mdb->fmt->row_count_offset;
    if (countAt + 2 > pageSize)
        return std::nullopt;
    const unsigned count = Get16(&buffer[countAt]);
    const size_t slotsEnd = countAt + 2 + size_t{count} * 2;
    if (row >= count || slotsEnd > pageSize)
        return std::nullopt;
    const unsigned slot = Get16(&buffer[countAt + 2 + row * 2]);
    if (slot & DeletedFlag)
        return std::nullopt;
    // Rows fill a page from its end: a row ends where the one before it starts.
    const size_t start = slot & OffsetMask;
    const size_t end = row == 0 ? pageSize : Get16(&buffer[countAt + row * 2]) & OffsetMask;
    if (start < slotsEnd || start >= end || end > pageSize)
        return std::nullopt;
    return std::string(reinterpret_cast<const char *>(&buffer[start]), end - start);
}

} // namespace

std::optional<std::string> ReadLongValue(MdbHandle *mdb, const std::string &field, size_t limit) {
    if (field.size() < HeaderSize)
        return std::nullopt;
    const auto *header = reinterpret_cast<const unsigned char *>(field.data());
    const uint32_t word = Get32(header);
    const size_t length = word & LengthMask;
    const uint32_t kind = word & ~LengthMask;
    if (length > limit)
        return std::nullopt;

    if (kind == Inline) {
        if (HeaderSize + length > field.size())
            return std::nullopt;
        return field.substr(HeaderSize, length);
    }
    if (kind == SingleRow) {
        auto row = PointedRow(mdb, Get32(header + 4));
        if (!row || row->size() < length)
            return std::nullopt;
        row->resize(length);
        return row;
    }
    if (kind != 0)
        return std::nullopt;

    // A chain: each row starts with the pointer to the next one. Every row
    // adds at least one byte, so a chain that loops ends at the length.
    std::string value;
    uint32_t pointer = Get32(header + 4);
    while (value.size() < length) {
        const auto row = PointedRow(mdb, pointer);
        if (!row || row->size() <= 4)
            return std::nullopt;
        pointer = Get32(reinterpret_cast<const unsigned char *>(row->data()));
        value.append(*row, 4, std::min(row->size() - 4, length - value.size()));
    }
    return value;
}
