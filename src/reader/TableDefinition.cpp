#include "reader/TableDefinition.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Where a table definition keeps what is read here, in each format.
struct Layout {
    size_t columnCount;     // u16
    size_t indexCount;      // u32, the logical indexes
    size_t storedIndexes;   // u32, the indexes stored with their columns
    size_t firstEntry;      // where the stored indexes' counts start
    size_t storedCountSize; // the size of each of those
    size_t columnSize;      // one column's entry
    size_t columnType, columnNumber, columnFlags, columnPrecision, columnScale;
    size_t nameLength;      // 1 or 2 bytes before each name
    size_t storedIndexSize; // one stored index: ten (column, order) slots, then its flags
    size_t slots, storedFlags;
    size_t indexSize; // one logical index
    size_t indexStored, indexKind;
};

constexpr Layout Jet3{0x19, 0x1b, 0x1f, 0x2b, 8, 18, 0, 1, 13, 0, 0, 1, 39, 0, 38, 20, 4, 19};
constexpr Layout Jet4{0x2d, 0x2f, 0x33, 0x3f, 12, 25, 0, 5, 15, 11, 12, 2, 52, 4, 46, 28, 8, 23};

constexpr unsigned SlotsPerIndex = 10;
constexpr unsigned NoColumn = 0xFFFF;
constexpr unsigned char DescendingOrder = 0x00;

unsigned Number(std::string_view bytes, size_t at, size_t width) {
    unsigned n = 0;
    for (size_t i = width; i-- > 0;)
        n = n << 8 | static_cast<unsigned char>(bytes[at + i]);
    return n;
}

// Hands out the definition's parts in order; a part past the end fails it.
class Cursor {
public:
    explicit Cursor(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {
        failed_ = at > bytes.size();
    }
    bool failed() const { return failed_; }

    std::string_view take(size_t count) {
        if (failed_ || count > bytes_.size() - at_) {
            failed_ = true;
            return {};
        }
        const std::string_view part = bytes_.substr(at_, count);
        at_ += count;
        return part;
    }

    std::optional<std::string> name(size_t lengthSize, const TextDecoder &decode) {
        const std::string_view length = take(lengthSize);
        if (failed_)
            return std::nullopt;
        const std::string_view stored = take(Number(length, 0, lengthSize));
        if (failed_)
            return std::nullopt;
        return decode(stored);
    }

private:
    std::string_view bytes_;
    size_t at_;
    bool failed_;
};

struct StoredIndex {
    std::vector<std::pair<unsigned, bool>> columns; // number, descending
    unsigned flags;
};

std::optional<std::vector<DefinedIndex>> Indexes(Cursor &in, const Layout &layout,
                                                 uint32_t storedCount, uint32_t indexCount,
                                                 const std::vector<DefinedColumn> &columns,
                                                 const TextDecoder &decode) {
    std::vector<StoredIndex> stored;
    for (uint32_t i = 0; i < storedCount; ++i) {
        const std::string_view entry = in.take(layout.storedIndexSize);
        if (in.failed())
            return std::nullopt;
        StoredIndex index{{}, static_cast<unsigned char>(entry[layout.storedFlags])};
        for (unsigned s = 0; s < SlotsPerIndex; ++s) {
            const size_t at = layout.slots + 3 * s;
            const unsigned column = Number(entry, at, 2);
            if (column != NoColumn)
                index.columns.emplace_back(column, static_cast<unsigned char>(entry[at + 2]) ==
                                                       DescendingOrder);
        }
        stored.push_back(std::move(index));
    }
    struct Logical {
        uint32_t stored;
        unsigned kind;
    };
    std::vector<Logical> logical;
    for (uint32_t i = 0; i < indexCount; ++i) {
        const std::string_view entry = in.take(layout.indexSize);
        if (in.failed())
            return std::nullopt;
        logical.push_back({Number(entry, layout.indexStored, 4),
                           static_cast<unsigned char>(entry[layout.indexKind])});
    }
    std::unordered_map<unsigned, size_t> byNumber;
    for (size_t i = 0; i < columns.size(); ++i)
        byNumber.emplace(columns[i].number, i);
    std::vector<DefinedIndex> indexes;
    for (const Logical &l : logical) {
        auto name = in.name(layout.nameLength, decode);
        if (!name)
            return std::nullopt;
        if (l.stored >= stored.size())
            continue;
        DefinedIndex index{std::move(*name), {}, stored[l.stored].flags, l.kind};
        bool known = true;
        for (const auto &[number, descending] : stored[l.stored].columns) {
            const auto column = byNumber.find(number);
            known = known && column != byNumber.end();
            if (known)
                index.columns.push_back({column->second, descending});
        }
        if (known)
            indexes.push_back(std::move(index));
    }
    return indexes;
}

} // namespace

std::optional<TableDefinition> ParseTableDefinition(std::string_view bytes, bool jet3,
                                                    const TextDecoder &decode) {
    const Layout &layout = jet3 ? Jet3 : Jet4;
    if (bytes.size() < layout.firstEntry)
        return std::nullopt;
    const unsigned columnCount = Number(bytes, layout.columnCount, 2);
    const uint32_t indexCount = Number(bytes, layout.indexCount, 4);
    const uint32_t storedCount = Number(bytes, layout.storedIndexes, 4);

    // The stored indexes' counts come first. Every part takes at least a
    // byte for each entry a count claims, so a count beyond the bytes ends
    // the reading there.
    Cursor in(bytes, layout.firstEntry);
    if (storedCount > bytes.size())
        return std::nullopt;
    in.take(size_t{storedCount} * layout.storedCountSize);
    TableDefinition definition;
    std::vector<std::string_view> entries;
    for (unsigned i = 0; i < columnCount; ++i) {
        entries.push_back(in.take(layout.columnSize));
        if (in.failed())
            return std::nullopt;
    }
    for (const std::string_view entry : entries) {
        const std::string_view length = in.take(layout.nameLength);
        in.take(in.failed() ? 0 : Number(length, 0, layout.nameLength));
        if (in.failed())
            return std::nullopt;
        DefinedColumn c;
        c.type = static_cast<unsigned char>(entry[layout.columnType]);
        c.number = Number(entry, layout.columnNumber, 2);
        c.flags = static_cast<unsigned char>(entry[layout.columnFlags]);
        if (!jet3) {
            c.precision = static_cast<unsigned char>(entry[layout.columnPrecision]);
            c.scale = static_cast<unsigned char>(entry[layout.columnScale]);
        }
        definition.columns.push_back(std::move(c));
    }
    std::stable_sort(definition.columns.begin(), definition.columns.end(),
                     [](const auto &a, const auto &b) { return a.number < b.number; });
    definition.indexes = Indexes(in, layout, storedCount, indexCount, definition.columns, decode);
    return definition;
}
