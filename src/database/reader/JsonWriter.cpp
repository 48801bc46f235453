#include "JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <glib.h>

void JsonWriter::separate()
{
    if (needComma_)
        out_ += ',';
    needComma_ = false;
}

JsonWriter &JsonWriter::beginObject()
{
    separate();
    out_ += '{';
    return *this;
}

JsonWriter &JsonWriter::endObject()
{
    out_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::beginArray()
{
    separate();
    out_ += '[';
    return *this;
}

JsonWriter &JsonWriter::endArray()
{
    out_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    value(name);
    out_ += ':';
    needComma_ = false;
    return *this;
}

JsonWriter &JsonWriter::value(std::string_view text)
{
    separate();
    // A damaged file can hold any bytes where a name should be.
    gchar *valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    out_ += '"';
    for (const char *p = valid; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out_ += escaped;
            } else {
                out_ += static_cast<char>(c);
            }
        }
    }
    out_ += '"';
    g_free(valid);
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::value(int64_t number)
{
    separate();
    out_ += std::to_string(number);
    needComma_ = true;
    return *this;
}

JsonWriter &JsonWriter::value(double number)
{
    separate();
    if (std::isfinite(number)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", number);
        out_ += text;
    } else {
        out_ += "null";
    }
    needComma_ = true;
    return *this;
}
