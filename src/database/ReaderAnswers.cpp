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
        if (!name || !type || !size || !description)
            return std::nullopt;
        design.columns.push_back({*name, *type, *size, *description});
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
