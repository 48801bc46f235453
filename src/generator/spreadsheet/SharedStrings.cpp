#include "SharedStrings.h"

#include <cstdio>

namespace spreadsheet {

namespace {

bool IsEscapedControl(unsigned char c)
{
    return c != 0 && c < 0x20 && c != '\t' && c != '\n';
}

// libxlsxwriter's test for whitespace at either end of a text, which the
// text then keeps with xml:space="preserve": the C locale's isspace.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

QByteArray EscapedControlCharacters(const QByteArray &utf8)
{
    qsizetype count = 0;
    for (const char c : utf8)
        count += IsEscapedControl(static_cast<unsigned char>(c));
    if (count == 0)
        return utf8;
    QByteArray out;
    out.reserve(utf8.size() + 6 * count);
    for (const char c : utf8) {
        if (IsEscapedControl(static_cast<unsigned char>(c))) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "_x%04X_", unsigned{static_cast<unsigned char>(c)});
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

void AppendXmlData(QByteArray &out, const QByteArray &text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char *escape = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
        if (!escape)
            continue;
        out.append(text.constData() + from, i - from);
        out += escape;
        from = i + 1;
    }
    out.append(text.constData() + from, text.size() - from);
}

int SharedStrings::indexOf(const QByteArray &text)
{
    ++references_;
    const auto found = places_.constFind(text);
    if (found != places_.cend())
        return *found;
    const int place = static_cast<int>(texts_.size());
    places_.insert(text, place);
    texts_.push_back(text);
    bytes_ += text.size();
    return place;
}

QByteArray SharedStrings::xml() const
{
    QByteArray out;
    out.reserve(200 + bytes_ + 30 * static_cast<qsizetype>(texts_.size()));
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"";
    out += QByteArray::number(references_);
    out += "\" uniqueCount=\"";
    out += QByteArray::number(static_cast<qsizetype>(texts_.size()));
    out += "\">";
    for (const QByteArray &raw : texts_) {
        const QByteArray text = EscapedControlCharacters(raw);
        const bool preserve = !text.isEmpty() && (IsSpace(text.front()) || IsSpace(text.back()));
        out += preserve ? "<si><t xml:space=\"preserve\">" : "<si><t>";
        AppendXmlData(out, text);
        out += "</t></si>";
    }
    out += "</sst>";
    return out;
}

} // namespace spreadsheet
