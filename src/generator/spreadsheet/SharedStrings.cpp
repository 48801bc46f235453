#include "SharedStrings.h"

namespace spreadsheet {

namespace {

// Whitespace at either end of a text, which the text then keeps with
// xml:space="preserve", as libxlsxwriter decides it. The texts come escaped
// for cells (see XmlText.h): of the control characters only tab, line feed
// and carriage return are left, and a carriage return is written escaped.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Appends the text as element text: &, < and > as entities, a carriage
// return as _x000D_, as libxlsxwriter writes them.
void AppendXmlData(QByteArray &out, const QByteArray &text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char *escape = c == '&'    ? "&amp;"
                             : c == '<'  ? "&lt;"
                             : c == '>'  ? "&gt;"
                             : c == '\r' ? "_x000D_"
                                         : nullptr;
        if (!escape)
            continue;
        out.append(text.constData() + from, i - from);
        out += escape;
        from = i + 1;
    }
    out.append(text.constData() + from, text.size() - from);
}

} // namespace

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
    for (const QByteArray &text : texts_) {
        const bool preserve = !text.isEmpty() && (IsSpace(text.front()) || IsSpace(text.back()));
        out += preserve ? "<si><t xml:space=\"preserve\">" : "<si><t>";
        AppendXmlData(out, text);
        out += "</t></si>";
    }
    out += "</sst>";
    return out;
}

} // namespace spreadsheet
