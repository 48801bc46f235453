#include "database/ReaderAnswers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <limits>

namespace {

std::optional<QJsonObject> ParseObject(const QByteArray &line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

// A whole number within the given range; JSON numbers arrive as doubles.
std::optional<qint64> WholeNumber(const QJsonValue &value, double lowest, double highest) {
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::trunc(d) || d < lowest || d > highest)
        return std::nullopt;
    return static_cast<qint64>(d);
}

std::optional<qint32> Int32(const QJsonValue &value) {
    const auto n =
        WholeNumber(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    return n ? std::optional<qint32>(static_cast<qint32>(*n)) : std::nullopt;
}

std::optional<OleDateTime> Date(const QJsonValue &value) {
    if (!value.isDouble() || !OleDateTime::isValidSerial(value.toDouble()))
        return std::nullopt;
    return OleDateTime(value.toDouble());
}

std::optional<QString> Text(const QJsonValue &value) {
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<bool> Boolean(const QJsonValue &value) {
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

// A member that may be left out: its fallback then, else decoded by the
// given function; nullopt when it is there but wrong.
template <typename T, typename Decode>
std::optional<T> Optional(const QJsonObject &o, QStringView key, T fallback, Decode decode) {
    const QJsonValue value = o.value(key);
    if (value.isUndefined())
        return fallback;
    return decode(value);
}

std::optional<QStringList> Texts(const QJsonValue &value) {
    if (!value.isArray())
        return std::nullopt;
    QStringList texts;
    for (const QJsonValue &item : value.toArray()) {
        const auto text = Text(item);
        if (!text)
            return std::nullopt;
        texts << *text;
    }
    return texts;
}

std::optional<PropertyCollection> Properties(const QJsonValue &value) {
    if (!value.isArray())
        return std::nullopt;
    std::vector<Property> properties;
    for (const QJsonValue &item : value.toArray()) {
        const QJsonObject o = item.toObject();
        const auto name = Text(o.value(u"name"));
        const auto ddl = Boolean(o.value(u"ddl"));
        const QJsonValue stored = o.value(u"value");
        if (!item.isObject() || !name || !ddl)
            return std::nullopt;
        if (stored.isString())
            properties.emplace_back(*name, PropertyValue::text(stored.toString()), *ddl);
        else if (stored.isBool())
            properties.emplace_back(*name, PropertyValue::boolean(stored.toBool()), *ddl);
        else if (stored.isDouble() && std::isfinite(stored.toDouble()))
            properties.emplace_back(*name, PropertyValue::number(stored.toDouble()), *ddl);
        else
            return std::nullopt;
    }
    return PropertyCollection(std::move(properties));
}

// One of the given words, as the enumerator beside it.
template <typename T>
std::optional<T> Word(const QJsonValue &value,
                      std::initializer_list<std::pair<QStringView, T>> words) {
    for (const auto &[word, meaning] : words)
        if (value.isString() && value.toString() == word)
            return meaning;
    return std::nullopt;
}

// The traits of a column whose object has `known` members beside them.
std::optional<ColumnTraits> Traits(const QJsonObject &o, qsizetype known) {
    using Traits = ColumnTraits;
    // Most columns have none, and counting the members is cheaper than looking each up.
    if (o.size() == known)
        return ColumnTraits{};
    const auto properties = Optional(o, u"properties", PropertyCollection(), Properties);
    const auto autoNumber = Optional(o, u"autoNumber", Traits::AutoNumber::None, [](auto &v) {
        return Word<Traits::AutoNumber>(v, {{u"increment", Traits::AutoNumber::Increment},
                                            {u"replicationId", Traits::AutoNumber::ReplicationId}});
    });
    const auto hyperlink = Optional(o, u"hyperlink", false, Boolean);
    const auto complex = Optional(o, u"complex", Traits::Complex::None, [](auto &v) {
        return Word<Traits::Complex>(v, {{u"attachment", Traits::Complex::Attachment},
                                         {u"multiValued", Traits::Complex::MultiValued},
                                         {u"other", Traits::Complex::Other}});
    });
    auto size = [](const QJsonValue &v) -> std::optional<std::optional<qint32>> {
        if (const auto n = Int32(v))
            return std::optional<qint32>(*n);
        return std::nullopt;
    };
    const auto precision = Optional(o, u"precision", std::optional<qint32>(), size);
    const auto scale = Optional(o, u"scale", std::optional<qint32>(), size);
    if (!properties || !autoNumber || !hyperlink || !complex || !precision || !scale)
        return std::nullopt;
    return ColumnTraits{*properties, *autoNumber, *hyperlink, *complex, *precision, *scale};
}

std::optional<Index> DecodeIndex(const QJsonValue &item) {
    const QJsonObject o = item.toObject();
    const auto name = Text(o.value(u"name"));
    const auto primary = Boolean(o.value(u"primary"));
    const auto unique = Boolean(o.value(u"unique"));
    const auto ignoreNulls = Boolean(o.value(u"ignoreNulls"));
    const auto required = Boolean(o.value(u"required"));
    const auto foreignKey = Boolean(o.value(u"foreignKey"));
    if (!item.isObject() || !name || !primary || !unique || !ignoreNulls || !required ||
        !foreignKey || !o.value(u"columns").isArray())
        return std::nullopt;
    std::vector<IndexColumn> columns;
    for (const QJsonValue &c : o.value(u"columns").toArray()) {
        const auto columnName = Text(c.toObject().value(u"name"));
        const auto descending = Boolean(c.toObject().value(u"descending"));
        if (!c.isObject() || !columnName || !descending)
            return std::nullopt;
        columns.emplace_back(*columnName, *descending);
    }
    return Index(*name, Collection<IndexColumn>(std::move(columns)),
                 {*primary, *unique, *ignoreNulls, *required, *foreignKey});
}

std::optional<Relationship> DecodeRelationship(const QJsonValue &item) {
    const QJsonObject o = item.toObject();
    const auto name = Text(o.value(u"name"));
    const auto primaryTable = Text(o.value(u"primaryTable"));
    const auto primaryColumns = Texts(o.value(u"primaryColumns"));
    const auto relatedTable = Text(o.value(u"relatedTable"));
    const auto relatedColumns = Texts(o.value(u"relatedColumns"));
    const auto oneToOne = Boolean(o.value(u"oneToOne"));
    const auto enforced = Boolean(o.value(u"enforced"));
    const auto cascadeUpdates = Boolean(o.value(u"cascadeUpdates"));
    const auto cascadeDeletes = Boolean(o.value(u"cascadeDeletes"));
    const auto cascadeNull = Boolean(o.value(u"cascadeNull"));
    using Join = Relationship::Join;
    const auto join =
        Word<Join>(o.value(u"join"),
                   {{u"inner", Join::Inner}, {u"left", Join::Left}, {u"right", Join::Right}});
    if (!item.isObject() || !name || !primaryTable || !primaryColumns || !relatedTable ||
        !relatedColumns || !oneToOne || !enforced || !cascadeUpdates || !cascadeDeletes ||
        !cascadeNull || !join)
        return std::nullopt;
    return Relationship(
        *name, *primaryTable, *primaryColumns, *relatedTable, *relatedColumns,
        {*oneToOne, *enforced, *cascadeUpdates, *cascadeDeletes, *cascadeNull, *join});
}

// Each item of an array member that may be left out, decoded.
template <typename T, typename Decode>
bool DecodeEach(const QJsonObject &o, QStringView key, std::vector<T> &out, Decode decode) {
    const QJsonValue value = o.value(key);
    if (value.isUndefined())
        return true;
    if (!value.isArray())
        return false;
    for (const QJsonValue &item : value.toArray()) {
        auto decoded = decode(item);
        if (!decoded)
            return false;
        out.push_back(std::move(*decoded));
    }
    return true;
}

} // namespace

std::optional<std::vector<CatalogEntry>> DecodeCatalogAnswer(const QByteArray &line) {
    const auto answer = ParseObject(line);
    if (!answer || !answer->value(u"tables").isArray())
        return std::nullopt;
    const QJsonArray tables = answer->value(u"tables").toArray();
    std::vector<CatalogEntry> entries;
    entries.reserve(tables.size());
    for (const QJsonValue &item : tables) {
        if (!item.isObject())
            return std::nullopt;
        const QJsonObject o = item.toObject();
        // Ids are 32-bit in the file; 2^53 keeps every one exact.
        const auto id = WholeNumber(o.value(u"id"), -9007199254740992.0, 9007199254740992.0);
        const auto name = Text(o.value(u"name"));
        const auto type = Text(o.value(u"type"));
        const auto created = Date(o.value(u"created"));
        const auto modified = Date(o.value(u"modified"));
        if (!id || !name || !type || !created || !modified)
            return std::nullopt;
        entries.push_back({*id, *name, *type, *created, *modified});
    }
    return entries;
}

std::optional<TableDesign> DecodeTableAnswer(const QByteArray &line) {
    const auto answer = ParseObject(line);
    if (!answer || !answer->value(u"columns").isArray() || !answer->value(u"keys").isArray())
        return std::nullopt;

    TableDesign design;
    for (const QJsonValue &item : answer->value(u"columns").toArray()) {
        if (!item.isObject())
            return std::nullopt;
        const QJsonObject o = item.toObject();
        const auto name = Text(o.value(u"name"));
        const auto type = Int32(o.value(u"type"));
        const auto size = Int32(o.value(u"definedSize"));
        const QJsonValue storedDescription = o.value(u"description");
        const auto description =
            storedDescription.isUndefined() ? QString() : Text(storedDescription);
        auto traits = Traits(o, storedDescription.isUndefined() ? 3 : 4);
        if (!name || !type || !size || !description || !traits)
            return std::nullopt;
        design.columns.push_back({*name, *type, *size, *description, std::move(*traits)});
    }
    for (const QJsonValue &item : answer->value(u"keys").toArray()) {
        if (!item.isObject() || !item.toObject().value(u"columns").isArray())
            return std::nullopt;
        const QJsonObject o = item.toObject();
        const auto name = Text(o.value(u"name"));
        if (!name)
            return std::nullopt;
        KeyDesign key{*name, {}};
        for (const QJsonValue &column : o.value(u"columns").toArray()) {
            const auto columnName = Text(column);
            if (!columnName)
                return std::nullopt;
            key.columns.append(*columnName);
        }
        design.keys.push_back(std::move(key));
    }

    // Record counts are 32-bit in the file; 2^53 keeps every one exact.
    const auto recordCount = Optional(*answer, u"recordCount", qint64{0}, [](auto &v) {
        return WholeNumber(v, 0, 9007199254740992.0);
    });
    auto properties = Optional(*answer, u"properties", PropertyCollection(), Properties);
    if (!recordCount || !properties ||
        !DecodeEach(*answer, u"indexes", design.indexes, DecodeIndex) ||
        !DecodeEach(*answer, u"relationships", design.relationships, DecodeRelationship))
        return std::nullopt;
    design.recordCount = *recordCount;
    design.properties = std::move(*properties);
    return design;
}

std::optional<Failure> DecodeErrorAnswer(const QByteArray &line) {
    const auto answer = ParseObject(line);
    if (!answer || answer->size() > 2)
        return std::nullopt;
    const auto reason = Text(answer->value(u"error"));
    if (!reason)
        return std::nullopt;
    if (answer->size() == 1)
        return Failure(FailureKind::Internal, *reason);
    const auto kindName = Text(answer->value(u"kind"));
    const auto kind = kindName ? FailureKindNamed(kindName->toStdString()) : std::nullopt;
    if (!kind)
        return std::nullopt;
    return Failure(*kind, *reason);
}
