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
