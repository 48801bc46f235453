#include "reader/PropertyList.h"

#include <cstring>
#include <unordered_map>

namespace {

constexpr uint16_t NameListChunk = 0x80;
constexpr uint16_t FirstValueChunk = 0x00; // 0x00 to 0x02 hold one object's values
constexpr uint16_t LastValueChunk = 0x02;

// The stored types of property values: those of columns.
namespace Stored {
constexpr unsigned Boolean = 1, Byte = 2, Integer = 3, Long = 4, Currency = 5, Single = 6,
                   Double = 7, DateTime = 8, Text = 10, Memo = 12, Guid = 15, BigInt = 0x13;
}

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

uint64_t LittleEndian(std::string_view data) {
    uint64_t n = 0;
    for (size_t i = data.size(); i-- > 0;)
        n = n << 8 | static_cast<unsigned char>(data[i]);
    return n;
}

std::string Hexadecimal(std::string_view data, bool upper = false) {
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    text.reserve(data.size() * 2);
    for (const char c : data) {
        const auto b = static_cast<unsigned char>(c);
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

// A GUID as it is written: its first three fields are stored little-endian.
std::string GuidText(std::string_view data) {
    const std::string ordered{data[3], data[2], data[1], data[0],
                              data[5], data[4], data[7], data[6]};
    const std::string text = Hexadecimal(ordered, true) + Hexadecimal(data.substr(8), true);
    return "{" + text.substr(0, 8) + "-" + text.substr(8, 4) + "-" + text.substr(12, 4) + "-" +
           text.substr(16, 4) + "-" + text.substr(20) + "}";
}

template <typename T> T Bits(std::string_view data) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    T value;
    std::memcpy(&value, data.data(), sizeof value); // little-endian, as the machine
    return value;
}

PropertyValue Real(double value) {
    PropertyValue v;
    v.kind = PropertyValue::Kind::Real;
    v.real = value;
    return v;
}

PropertyValue Integer(int64_t value) {
    PropertyValue v;
    v.kind = PropertyValue::Kind::Integer;
    v.integer = value;
    return v;
}

PropertyValue Text(std::string text) {
    PropertyValue v;
    v.text = std::move(text);
    return v;
}

// A signed integer of the width it is stored in.
std::optional<int64_t> SignedInteger(std::string_view data) {
    const uint64_t n = LittleEndian(data);
    switch (data.size()) {
    case 2:
        return static_cast<int16_t>(n);
    case 4:
        return static_cast<int32_t>(n);
    case 8:
        return static_cast<int64_t>(n);
    default:
        return std::nullopt;
    }
}

// The value of the stored type. The list keeps some yes/no and integer
// properties in four bytes whatever their type's own size (ColumnWidth, an
// integer, is -1 as ffffffff), so these are read in the width they have. A
// value whose bytes fit no width of its type is given as its bytes;
// nullopt when a text cannot be decoded.
std::optional<PropertyValue> Value(unsigned type, std::string_view data,
                                   const TextDecoder &decode) {
    auto sized = [&](size_t size) { return data.size() == size; };
    switch (type) {
    case Stored::Boolean:
        if (!data.empty()) {
            PropertyValue v;
            v.kind = PropertyValue::Kind::Boolean;
            v.boolean = data.find_first_not_of('\0') != std::string_view::npos;
            return v;
        }
        break;
    case Stored::Byte:
        if (sized(1))
            return Integer(static_cast<unsigned char>(data[0]));
        if (const auto n = SignedInteger(data))
            return Integer(*n);
        break;
    case Stored::Integer:
    case Stored::Long:
    case Stored::BigInt:
        if (const auto n = SignedInteger(data))
            return Integer(*n);
        break;
    case Stored::Currency: // in ten-thousandths
        if (sized(8))
            return Real(static_cast<double>(static_cast<int64_t>(LittleEndian(data))) / 10000.0);
        break;
    case Stored::Single:
        if (sized(4))
            return Real(Bits<float>(data));
        break;
    case Stored::Double:
    case Stored::DateTime:
        if (sized(8))
            return Real(Bits<double>(data));
        break;
    case Stored::Text:
    case Stored::Memo:
        if (auto text = decode(data))
            return Text(std::move(*text));
        return std::nullopt;
    case Stored::Guid:
        if (sized(16))
            return Text(GuidText(data));
        break;
    default:
        break;
    }
    return Text(Hexadecimal(data));
}

// One object's values: its name (none for the table itself), then values
// that each name a property by its place in the name list. False when the
// block is damaged.
bool ValueBlock(Bytes in, const std::vector<std::string> &names, const TextDecoder &decode,
                std::string &object, std::vector<StoredProperty> &values) {
    const uint32_t headerLength = in.u32(); // counts its own four bytes
    if (in.failed() || headerLength < 4)
        return false;
    Bytes header(in.take(headerLength - 4));
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
        const bool ddl = value.u8() != 0;
        const uint32_t type = value.u8();
        const uint32_t nameIndex = value.u16();
        const std::string_view data = value.take(value.u16());
        if (value.failed() || in.failed() || nameIndex >= names.size())
            return false;
        auto decoded = Value(type, data, decode);
        if (!decoded)
            return false;
        values.push_back({names[nameIndex], ddl, type, std::move(*decoded)});
    }
    return true;
}

// Adds one block's values to its object's, a name met again taking the new value.
void Merge(ObjectProperties &object, std::vector<StoredProperty> values) {
    for (auto &v : values) {
        bool replaced = false;
        for (auto &known : object.properties)
            if (known.name == v.name) {
                known = std::move(v);
                replaced = true;
                break;
            }
        if (!replaced)
            object.properties.push_back(std::move(v));
    }
}

} // namespace

std::optional<std::vector<ObjectProperties>> ReadPropertyList(std::string_view list,
                                                              const TextDecoder &decode) {
    Bytes in(list);
    const std::string_view signature = in.take(4);
    if (signature != std::string_view("KKD\0", 4) && signature != std::string_view("MR2\0", 4))
        return std::nullopt;
    std::vector<ObjectProperties> objects;
    std::unordered_map<std::string, size_t> placeOf;
    std::optional<std::vector<std::string>> names;
    while (!in.atEnd()) {
        const uint32_t length = in.u32(); // counts its own six header bytes
        const uint32_t kind = in.u16();
        if (in.failed() || length < 6)
            return std::nullopt;
        const Bytes chunk(in.take(length - 6));
        if (in.failed())
            return std::nullopt;
        if (kind == NameListChunk) {
            names = NameList(chunk, decode);
            if (!names)
                return std::nullopt;
        } else if (kind >= FirstValueChunk && kind <= LastValueChunk) {
            std::string object;
            std::vector<StoredProperty> values;
            if (!names || !ValueBlock(chunk, *names, decode, object, values))
                return std::nullopt;
            const auto [place, added] = placeOf.emplace(object, objects.size());
            if (added)
                objects.push_back({object, {}});
            Merge(objects[place->second], std::move(values));
        } else {
            return std::nullopt;
        }
    }
    return objects;
}
