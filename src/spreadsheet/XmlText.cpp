#include "spreadsheet/XmlText.h"

namespace {

bool IsHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// Whether text holds _xHHHH_ from index i on: what a spreadsheet application
// reads as an escape.
bool EscapeAt(QStringView text, qsizetype i) {
    if (i + 7 > text.size() || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k)
        if (!IsHexDigit(text[k]))
            return false;
    return true;
}

// The number of units from index i on that form one character XML can
// carry (2 for a surrogate pair), or 0 when the unit at i cannot be carried.
qsizetype CarriedUnits(QStringView text, qsizetype i) {
    const char16_t unit = text[i].unicode();
    if (QChar::isHighSurrogate(unit))
        return i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 0;
    if (QChar::isLowSurrogate(unit))
        return 0;
    if (unit < 0x20)
        return unit == u'\t' || unit == u'\n' || unit == u'\r' ? 1 : 0;
    return unit == 0xFFFE || unit == 0xFFFF ? 0 : 1;
}

} // namespace

qsizetype FirstUnitXmlCannotCarry(QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = CarriedUnits(text, i);
        if (units == 0)
            return i;
        i += units;
    }
    return -1;
}

namespace {

// Whether any unit of the text is one XML cannot carry or the start of
// "_x": one pass over the text, which is all that nearly every text needs.
bool NeedsEscapes(QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = CarriedUnits(text, i);
        if (units == 0 || (text[i] == u'_' && i + 1 < text.size() && text[i + 1] == u'x'))
            return true;
        i += units;
    }
    return false;
}

} // namespace

QString EscapedCellText(const QString &text) {
    if (!NeedsEscapes(text))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = CarriedUnits(text, i);
        if (units == 0) {
            escaped += QString::asprintf("_x%04X_", unsigned{text[i].unicode()});
            ++i;
            continue;
        }
        if (EscapeAt(text, i))
            escaped += u"_x005F_"; // the underscore; the rest of the literal follows as it is
        else
            escaped += text.mid(i, units);
        i += units;
    }
    return escaped;
}
