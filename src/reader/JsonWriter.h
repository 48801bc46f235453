#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Builds one answer of the reader: a JSON document on a single line. Only
// what the answers need: objects, arrays, strings, integers, doubles and
// booleans.
class JsonWriter {
public:
    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    JsonWriter &key(std::string_view name);
    JsonWriter &value(std::string_view text); // made valid UTF-8 first
    JsonWriter &value(int64_t number);
    JsonWriter &value(double number); // null when not finite
    // Not an overload of value(), which a string literal would then choose.
    JsonWriter &boolean(bool truth);

    const std::string &text() const { return out_; }

private:
    void separate();
    void appendEscaped(std::string_view text);

    std::string out_;
    bool needComma_ = false;
};
