#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

// A recordset loaded from a file: named fields, rows in file order, and the
// filter and current-row operations the program uses. A value is a number
// (qint64 or double), a text, or null (an invalid QVariant).
class Recordset {
public:
    Recordset(QStringList fields, std::vector<std::vector<QVariant>> rows);

    // A criterion "FIELD=VALUE", VALUE a number or a text in single quotes;
    // an empty text removes the filter. The first passing row becomes the
    // current one. Throws Failure for a criterion it cannot read.
    void setFilter(const QString &criterion);
    // The number of rows that pass the filter.
    int RecordCount() const { return static_cast<int>(passing_.size()); }

    // The value of a field of the current row. Throws Failure for an unknown
    // field, or when no row is current.
    QVariant FieldValue(const QString &field) const;

    const QStringList &fields() const { return fields_; }

private:
    int fieldIndex(const QString &field) const;
    // A field's values as numbers, worked out once: a filter is set for
    // every column of every table.
    const std::vector<std::optional<double>> &numbersOf(int field);

    QStringList fields_;
    std::vector<std::vector<QVariant>> rows_;
    std::vector<size_t> passing_; // rows that pass the filter, in file order
    std::vector<std::vector<std::optional<double>>> numbers_;
};
