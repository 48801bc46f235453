#include "typenames/RecordsetData.h"

#include "common/Failure.h"

#include <limits>

namespace {

constexpr quint32 NoCell = std::numeric_limits<quint32>::max();

} // namespace

std::optional<QVariant> RecordsetData::Convert(QStringView text, Kind kind) {
    bool ok = true;
    switch (kind) {
    case Kind::Integer: {
        const qint64 n = text.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(n) : std::nullopt;
    }
    case Kind::Real: {
        const double d = text.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(d) : std::nullopt;
    }
    default:
        return QVariant(text.toString());
    }
}

void RecordsetData::addField(const QString &name, Kind kind) {
    names_.append(name);
    kinds_.push_back(kind);
    // A name given twice, in any case, stands for its first field.
    const auto folded =
        fieldsByFoldedName_.try_emplace(name.toCaseFolded(), static_cast<int>(kinds_.size() - 1));
    fieldsBySpelling_.try_emplace(name, folded.first->second);
}

void RecordsetData::reserve(qsizetype records, qsizetype values, qsizetype characters) {
    recordEnds_.reserve(static_cast<size_t>(records));
    cells_.reserve(static_cast<size_t>(values));
    texts_.reserve(characters);
}

bool RecordsetData::addValue(int field, QStringView text) {
    // Any text is a value of a text field; a number is checked.
    if (kindOf(field) != Kind::Text && !Convert(text, kindOf(field)))
        return false;
    // Positions are 32 bits; the loader never reads a file anywhere near.
    if (quint64(texts_.size()) + quint64(text.size()) >= NoCell || cells_.size() >= NoCell)
        throw Failure(FailureKind::NameFile, QStringLiteral("レコードセットが大きすぎます。"));
    if (cellOfField_.size() != kinds_.size())
        cellOfField_.assign(kinds_.size(), NoCell);

    const Cell cell{static_cast<quint32>(field), static_cast<quint32>(texts_.size()),
                    static_cast<quint32>(text.size())};
    texts_.append(text);
    const quint32 recordStart = recordEnds_.empty() ? 0 : recordEnds_.back();
    quint32 &at = cellOfField_[static_cast<size_t>(field)];
    if (at != NoCell && at >= recordStart) {
        cells_[at] = cell;
        return true;
    }
    at = static_cast<quint32>(cells_.size());
    cells_.push_back(cell);
    return true;
}

void RecordsetData::endRecord() {
    recordEnds_.push_back(static_cast<quint32>(cells_.size()));
}

int RecordsetData::fieldIndex(const QString &name) const {
    if (const auto spelled = fieldsBySpelling_.find(name); spelled != fieldsBySpelling_.end())
        return spelled->second;
    const auto folded = fieldsByFoldedName_.find(name.toCaseFolded());
    return folded == fieldsByFoldedName_.end() ? -1 : folded->second;
}

QVariant RecordsetData::value(qsizetype record, int field) const {
    const size_t begin = record == 0 ? 0 : recordEnds_[static_cast<size_t>(record - 1)];
    const size_t end = recordEnds_[static_cast<size_t>(record)];
    for (size_t i = begin; i < end; ++i)
        if (cells_[i].field == static_cast<quint32>(field))
            return Convert(textOf(cells_[i]), kindOf(field)).value_or(QVariant());
    return {};
}
