#include "Recordset.h"

#include "common/Failure.h"

namespace {

bool Matches(const QVariant &value, const QVariant &wanted)
{
    if (!value.isValid())
        return false;
    if (wanted.typeId() == QMetaType::QString)
        return value.typeId() == QMetaType::QString && value.toString() == wanted.toString();
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && value.typeId() != QMetaType::QString && number == wanted.toDouble();
}

} // namespace

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
    for (size_t i = 0; i < rows_.size(); ++i)
        if (Matches(rows_[i][static_cast<size_t>(field)], wanted))
            passing_.push_back(i);
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
