#include "reader/PropertyList.h"

#include <cstdint>
#include <vector>

namespace {

constexpr uint16_t NameListChunk = 0x80;
constexpr uint16_t FirstValueChunk = 0x00; // 0x00 to 0x02 hold one object's values
constexpr uint16_t LastValueChunk = 0x02;
constexpr unsigned char TextType = 10;
constexpr unsigned char MemoType = 12;
constexpr std::string_view DescriptionName = "Description";

// Reads little-endian numbers and byte runs off the front of a bounded view;
// any read past its end marks the whole reader failed.
class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}

    bool failed() const { return failed_; }
    bool atEnd() const { return data_.empty(); }

    uint32_t u8() { return static_cast<uint32_t>(number(1)); }
    uint32_t u16() { return static_cast<uint32_t>(number(2)); }
    uint32_t u32() { return static_cast<uint32_t>(number(4)); }

    std::string_view take(size_t count) {
        if (failed_ || count > data_.size()) {
            failed_ = true;
            data_ = {};
            return {};
        }
        const std::string_view part = data_.substr(0, count);
        data_.remove_prefix(count);
        return part;
    }

private:
    uint64_t number(size_t width) {
        const std::string_view b = take(width);
        uint64_t n = 0;
        for (size_t i = b.size(); i-- > 0;)
            n = n << 8 | static_cast<unsigned char>(b[i]);
        return n;
    }

    std::string_view data_;
    bool failed_ = false;
};

std::optional<std::string> Name(Bytes &in, const TextDecoder &decode) {
    const std::string_view stored = in.take(in.u16());
    if (in.failed())
        return std::nullopt;
    return decode(stored);
}

std::optional<std::vector<std::string>> NameList(Bytes in, const TextDecoder &decode) {
    std::vector<std::string> names;
    while (!in.atEnd()) {
        auto name = Name(in, decode);
        if (!name)
            return std::nullopt;
        names.push_back(std::move(*name));
    }
    return names;
}

// One object's values: its name (none for the table itself), then values
// that each name a property by its place in the name list. Only the
// description matters here; false when the block is damaged.
bool ValueBlock(Bytes in, const std::vector<std::string> &names, const TextDecoder &decode,
                ColumnTexts &descriptions) {
    const uint32_t headerLength = in.u32(); // counts its own four bytes
    if (in.failed() || headerLength < 4)
        return false;
    Bytes header(in.take(headerLength - 4));
    std::string object;
    if (!header.atEnd()) {
        auto name = Name(header, decode);
        if (!name)
            return false;
        object = std::move(*name);
    }
    while (!in.atEnd()) {
        const uint32_t length = in.u16(); // counts its own two bytes
        if (in.failed() || length < 2)
            return false;
        Bytes value(in.take(length - 2));
        value.u8(); // whether the property is part of the design
        const uint32_t type = value.u8();
        const uint32_t nameIndex = value.u16();
        const std::string_view data = value.take(value.u16());
        if (value.failed() || in.failed() || nameIndex >= names.size())
            return false;
        if (names[nameIndex] != DescriptionName || object.empty() ||
            (type != TextType && type != MemoType))
            continue;
        auto text = decode(data);
        if (!text)
            return false;
        descriptions[object] = std::move(*text);
    }
    return true;
}

} // namespace

ColumnTexts ColumnDescriptions(std::string_view list, const TextDecoder &decode) {
    ColumnTexts descriptions;
    Bytes in(list);
    const std::string_view signature = in.take(4);
    if (signature != std::string_view("KKD\0", 4) && signature != std::string_view("MR2\0", 4))
        return {};
    std::optional<std::vector<std::string>> names;
    while (!in.atEnd()) {
        const uint32_t length = in.u32(); // counts its own six header bytes
        const uint32_t kind = in.u16();
        if (in.failed() || length < 6)
            return {};
        const Bytes chunk(in.take(length - 6));
        if (in.failed())
            return {};
        if (kind == NameListChunk) {
            names = NameList(chunk, decode);
            if (!names)
                return {};
        } else if (kind >= FirstValueChunk && kind <= LastValueChunk) {
            if (!names || !ValueBlock(chunk, *names, decode, descriptions))
                return {};
        } else {
            return {};
        }
    }
    return descriptions;
}
