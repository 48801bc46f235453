#include "reader/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <glib.h>

void JsonWriter::separate() {
    if (needComma_)
        out_ += ',';
    needComma_ = false;
}

JsonWriter &JsonWriter::beginObject() {
    separate();
    out_ += '{';
    return *this;
}

JsonWriter &JsonWriter::endObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::beginArray() {
    separate();
    out_ += '[';
    return *this;
}

JsonWriter &JsonWriter::endArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name) {
    value(name);
    out_ += ':';
    needComma_ = false;
    return *this;
}

void JsonWriter::appendEscaped(std::string_view text) {
    out_ += '"';
    size_t plain = 0; // the start of a run of characters that need no escape
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out_.append(text.substr(plain, i - plain));
        plain = i + 1;
        if (c == '"' || c == '\\') {
            out_ += '\\';
            out_ += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out_ += escaped;
        }
    }
    out_.append(text.substr(plain));
    out_ += '"';
}

JsonWriter &JsonWriter::value(std::string_view text) {
    separate();
    // A damaged file can hold any bytes where a name should be; a NUL ends
    // the name, as it would in libmdb's own buffers.
    text = text.substr(0, text.find('\0'));
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        appendEscaped(text);
    } else {
        gchar *valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
        appendEscaped(valid);
        g_free(valid);
    }
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::value(int64_t number) {
    separate();
    out_ += std::to_string(number);
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::value(double number) {
    separate();
    if (std::isfinite(number)) {
        // The shortest text that reads back as the same double.
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, number);
        out_.append(text, written.ptr);
    } else {
        out_ += "null";
    }
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::boolean(bool truth) {
    separate();
    out_ += truth ? "true" : "false";
    needComma_ = true;
    return *this;
}
