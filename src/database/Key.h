#pragma once

#include "database/Collection.h"

#include <QString>

// A column of a key, known by name only.
class KeyColumn {
public:
    explicit KeyColumn(QString name) : name_(std::move(name)) {}
    const QString &Name() const { return name_; }

private:
    QString name_;
};

// A key of a table: the primary key or a foreign key on the referencing side
// of an enforced relationship, with its columns in key order.
class Key {
public:
    Key(QString name, Collection<KeyColumn> columns)
        : name_(std::move(name)), columns_(std::move(columns)) {}

    const QString &Name() const { return name_; }
    const Collection<KeyColumn> &Columns() const { return columns_; }

private:
    QString name_;
    Collection<KeyColumn> columns_;
};
