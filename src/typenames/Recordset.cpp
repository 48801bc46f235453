#include "typenames/Recordset.h"

#include "common/Failure.h"

Recordset::Recordset(std::shared_ptr<const RecordsetData> data) : data_(std::move(data)) {
    setFilter(QString());
}

int Recordset::RecordCount() const {
    return static_cast<int>(filtered_ ? static_cast<qsizetype>(passing_.size())
                                      : data_->recordCount());
}

void Recordset::setFilter(const QString &criterion) {
    // A criterion that cannot be read leaves no row passing.
    passing_.clear();
    filtered_ = !criterion.trimmed().isEmpty();
    if (!filtered_)
        return;
    const qsizetype equals = criterion.indexOf(u'=');
    const int field = equals > 0 ? data_->fieldIndex(criterion.left(equals).trimmed()) : -1;
    const QString text = criterion.mid(equals + 1).trimmed();
    QVariant wanted;
    if (text.size() >= 2 && text.startsWith(u'\'') && text.endsWith(u'\'')) {
        wanted = text.mid(1, text.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    } else {
        // Type codes are integers; reading one as such is a fraction of the
        // cost of reading a real number.
        bool ok = false;
        const qlonglong integer = text.toLongLong(&ok);
        const double number = ok ? double(integer) : text.toDouble(&ok);
        if (ok)
            wanted = number;
    }
    if (field < 0 || !wanted.isValid())
        throw Failure(
            FailureKind::Internal,
            QStringLiteral("レコードセットのフィルタ「%1」を解釈できません。").arg(criterion));
    if (wanted.typeId() == QMetaType::QString) {
        // Only a text matches a text.
        if (data_->kindOf(field) != RecordsetData::Kind::Text)
            return;
        const QString text = wanted.toString();
        data_->forEachValue(field, [&](qsizetype row, QStringView value) {
            if (value == text)
                passing_.push_back(row);
        });
        return;
    }
    const double number = wanted.toDouble();
    for (const NumberAt &n : numbersOf(field))
        if (n.value == number)
            passing_.push_back(n.row);
}

const std::vector<Recordset::NumberAt> &Recordset::numbersOf(int field) {
    const std::lock_guard<std::mutex> locked(numbers_->lock);
    const auto known = numbers_->byField.find(field);
    if (known != numbers_->byField.end())
        return known->second;
    std::vector<NumberAt> numbers;
    const RecordsetData::Kind kind = data_->kindOf(field);
    if (kind != RecordsetData::Kind::Text) {
        data_->forEachValue(field, [&](qsizetype row, QStringView text) {
            if (const auto value = RecordsetData::Convert(text, kind))
                numbers.push_back({row, value->toDouble()});
        });
    }
    return numbers_->byField.emplace(field, std::move(numbers)).first->second;
}

QVariant Recordset::FieldValue(const QString &field) const {
    const int index = data_->fieldIndex(field);
    if (index < 0)
        throw Failure(FailureKind::NameFile,
                      QStringLiteral("レコードセットにフィールド「%1」がありません。").arg(field));
    if (RecordCount() == 0)
        throw Failure(FailureKind::NameFile,
                      QStringLiteral("レコードセットにカレントレコードがありません。"));
    return data_->value(filtered_ ? passing_.front() : 0, index);
}
