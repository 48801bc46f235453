#include "spreadsheet/SheetName.h"

#include "spreadsheet/XmlText.h"

namespace {
constexpr int MaxLength = 31; // UTF-16 units
const QString Forbidden = QStringLiteral(":\\/?*[]");
} // namespace

QString SheetNameProblem(const QString &name, bool usedByAnotherSheet) {
    if (name.isEmpty())
        return QStringLiteral("シート名が空です。");
    if (name.size() > MaxLength)
        return QStringLiteral("シート名「%1」は%2文字を超えています。").arg(name).arg(MaxLength);
    for (const QChar c : name)
        if (Forbidden.contains(c))
            return QStringLiteral("シート名「%1」には使用できない文字「%2」が含まれています。")
                .arg(name, c);
    // Such a name could not be written into the workbook at all; a tab or a
    // line break would be read back as a space (the name stands in an XML
    // attribute), so that two names could read back as one.
    qsizetype at = FirstUnitXmlCannotCarry(name);
    for (const char16_t space : {u'\t', u'\n', u'\r'})
        if (const qsizetype found = name.indexOf(QChar(space));
            found >= 0 && (at < 0 || found < at))
            at = found;
    if (at >= 0)
        return QStringLiteral("シート名「%1」には使用できない文字 U+%2 が含まれています。")
            .arg(name, QString::asprintf("%04X", unsigned{name[at].unicode()}));
    if (name.front() == u'\'' || name.back() == u'\'')
        return QStringLiteral("シート名「%1」の先頭と末尾にはアポストロフィを使用できません。")
            .arg(name);
    if (name.compare(u"History", Qt::CaseInsensitive) == 0)
        return QStringLiteral("シート名「%1」は予約されているため使用できません。").arg(name);
    if (usedByAnotherSheet)
        return QStringLiteral("シート名「%1」は既に使用されています。").arg(name);
    return {};
}

namespace {

// At most length units of the name, without a lone high surrogate at the end.
QString Cut(const QString &name, qsizetype length) {
    if (name.size() <= length)
        return name;
    QString cut = name.left(length);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

} // namespace

QString NearestSheetName(const QString &name,
                         const std::function<bool(const QString &key)> &isTaken) {
    QString nearest = name;
    for (QChar &c : nearest)
        if (Forbidden.contains(c) || c == u'\t' || c == u'\n' || c == u'\r')
            c = u'_';
    for (qsizetype at; (at = FirstUnitXmlCannotCarry(nearest)) >= 0;)
        nearest[at] = u'_';
    nearest = Cut(nearest, MaxLength);
    if (nearest.isEmpty())
        nearest = QStringLiteral("_");
    if (nearest.front() == u'\'')
        nearest.front() = u'_';
    if (nearest.back() == u'\'')
        nearest.back() = u'_';
    if (nearest.compare(u"History", Qt::CaseInsensitive) == 0)
        nearest += u'_';
    QString candidate = nearest;
    for (int n = 2; isTaken(SheetNameKey(candidate)); ++n) {
        const QString suffix = QStringLiteral("~%1").arg(n);
        candidate = Cut(nearest, MaxLength - suffix.size()) + suffix;
    }
    return candidate;
}
