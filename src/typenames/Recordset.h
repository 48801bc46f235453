#pragma once

#include "typenames/RecordsetData.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

// A recordset loaded from a file: named fields, rows in file order, and the
// filter and current-row operations the program uses. A value is a number
// (qint64 or double), a text, or null (an invalid QVariant). Copies share the
// loaded rows and each keep a filter of their own.
class Recordset {
public:
    explicit Recordset(std::shared_ptr<const RecordsetData> data);

    // A criterion "FIELD=VALUE", VALUE a number or a text in single quotes;
    // an empty text removes the filter. The first passing row becomes the
    // current one. Throws Failure for a criterion it cannot read.
    void setFilter(const QString &criterion);
    // The number of rows that pass the filter.
    int RecordCount() const;

    // The value of a field of the current row. Throws Failure for an unknown
    // field, or when no row is current.
    QVariant FieldValue(const QString &field) const;

    const QStringList &fields() const { return data_->fieldNames(); }

private:
    // A row that has a number in a field, and the number.
    struct NumberAt {
        qsizetype row;
        double value;
    };
    // Each field's numbers, worked out once for the loaded rows and shared
    // by every copy: a filter is set for every column of every table, each
    // table on a copy of the same loaded file.
    struct Numbers {
        std::mutex lock;
        std::unordered_map<int, std::vector<NumberAt>> byField; // entries are never removed
    };
    const std::vector<NumberAt> &numbersOf(int field);

    std::shared_ptr<const RecordsetData> data_;
    bool filtered_ = false;
    std::vector<qsizetype> passing_; // with a filter, the rows that pass it, in file order
    std::shared_ptr<Numbers> numbers_ = std::make_shared<Numbers>();
};
