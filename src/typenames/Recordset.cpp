#include "Recordset.h"

#include "common/Failure.h"


Recordset::Recordset(QStringList fields, std::vector<std::vector<QVariant>> rows)
    : fields_(std::move(fields)), rows_(std::move(rows))
{
    setFilter(QString());
}

int Recordset::fieldIndex(const QString &field) const
{
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void Recordset::setFilter(const QString &criterion)
{
    passing_.clear();
    if (criterion.trimmed().isEmpty()) {
        for (size_t i = 0; i < rows_.size(); ++i)
            passing_.push_back(i);
        return;
    }
    const qsizetype equals = criterion.indexOf(u'=');
    const int field = equals > 0 ? fieldIndex(criterion.left(equals).trimmed()) : -1;
    const QString text = criterion.mid(equals + 1).trimmed();
    QVariant wanted;
    if (text.size() >= 2 && text.startsWith(u'\'') && text.endsWith(u'\'')) {
        wanted = text.mid(1, text.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    } else {
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (ok)
            wanted = number;
    }
    if (field < 0 || !wanted.isValid())
        throw Failure(QStringLiteral("レコードセットのフィルタ「%1」を解釈できません。").arg(criterion));
    if (wanted.typeId() == QMetaType::QString) {
        const QString text = wanted.toString();
        for (size_t i = 0; i < rows_.size(); ++i) {
            const QVariant &value = rows_[i][static_cast<size_t>(field)];
            if (value.typeId() == QMetaType::QString && value.toString() == text)
                passing_.push_back(i);
        }
        return;
    }
    const double number = wanted.toDouble();
    const auto &numbers = numbersOf(field);
    for (size_t i = 0; i < rows_.size(); ++i)
        if (numbers[i] == number)
            passing_.push_back(i);
}

const std::vector<std::optional<double>> &Recordset::numbersOf(int field)
{
    if (numbers_.empty())
        numbers_.resize(static_cast<size_t>(fields_.size()));
    auto &numbers = numbers_[static_cast<size_t>(field)];
    if (numbers.empty() && !rows_.empty()) {
        numbers.reserve(rows_.size());
        for (const auto &row : rows_) {
            const QVariant &value = row[static_cast<size_t>(field)];
            bool ok = false;
            const double n = value.typeId() == QMetaType::QString ? 0 : value.toDouble(&ok);
            numbers.push_back(value.isValid() && ok ? std::optional<double>(n) : std::nullopt);
        }
    }
    return numbers;
}

QVariant Recordset::FieldValue(const QString &field) const
{
    const int index = fieldIndex(field);
    if (index < 0)
        throw Failure(QStringLiteral("レコードセットにフィールド「%1」がありません。").arg(field));
    if (passing_.empty())
        throw Failure(QStringLiteral("レコードセットにカレントレコードがありません。"));
    return rows_[passing_.front()][static_cast<size_t>(index)];
}
