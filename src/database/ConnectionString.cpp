#include "database/ConnectionString.h"

#include <QStringView>

namespace mdlADO {

namespace {

const QString Provider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");

// Unquoted values lose the blanks around them (any white space, such as a
// tab or the ideographic space), so a path with one at either end is quoted.
bool NeedsQuotes(const QString &value) {
    if (value.isEmpty())
        return false;
    const auto special = [](QChar c) { return c.isSpace() || c == u'"'; };
    return value.contains(u';') || special(value.front()) || special(value.back());
}

// Reads one "key=value" item from text at position at, up to the next ";"
// or the end. Returns false when the item is malformed.
bool ReadItem(const QString &text, qsizetype &at, QString &key, QString &value) {
    const qsizetype equals = text.indexOf(u'=', at);
    const qsizetype semicolon = text.indexOf(u';', at);
    if (equals < 0 || (semicolon >= 0 && semicolon < equals))
        return false;
    key = text.mid(at, equals - at).trimmed();
    at = equals + 1;
    while (at < text.size() && text[at].isSpace())
        ++at;

    if (at < text.size() && text[at] == u'"') {
        value.clear();
        ++at;
        for (;;) {
            if (at >= text.size())
                return false; // no closing quote
            if (text[at] == u'"') {
                if (at + 1 < text.size() && text[at + 1] == u'"') {
                    value += u'"';
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            value += text[at++];
        }
        while (at < text.size() && text[at].isSpace())
            ++at;
        if (at < text.size() && text[at] != u';')
            return false; // text after the closing quote
    } else {
        const qsizetype end = semicolon < 0 ? text.size() : semicolon;
        value = text.mid(at, end - at).trimmed();
        at = end;
    }
    if (at < text.size())
        ++at; // past the ";"
    return !key.isEmpty();
}

} // namespace

QString BuildConnectionString(const QString &databasePath) {
    QString value = databasePath;
    if (NeedsQuotes(value))
        value = u'"' + value.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return QStringLiteral("Provider=") + Provider + QStringLiteral(";Data Source=") + value + u';';
}

std::optional<QString> DataSourceOf(const QString &connectionString) {
    std::optional<QString> provider;
    std::optional<QString> dataSource;
    qsizetype at = 0;
    while (at < connectionString.size()) {
        // Empty items (";;", a trailing ";", blanks) carry nothing.
        if (connectionString[at] == u';' || connectionString[at].isSpace()) {
            ++at;
            continue;
        }
        QString key;
        QString value;
        if (!ReadItem(connectionString, at, key, value))
            return std::nullopt;
        std::optional<QString> *slot = nullptr;
        if (key.compare(u"Provider", Qt::CaseInsensitive) == 0)
            slot = &provider;
        else if (key.compare(u"Data Source", Qt::CaseInsensitive) == 0)
            slot = &dataSource;
        if (!slot || slot->has_value())
            return std::nullopt; // an unknown or repeated key
        *slot = value;
    }
    if (!provider || provider->compare(Provider, Qt::CaseInsensitive) != 0 || !dataSource)
        return std::nullopt;
    return dataSource;
}

} // namespace mdlADO
