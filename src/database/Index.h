#pragma once

#include "database/Collection.h"

#include <QString>

// A column of an index, in the index's order.
class IndexColumn {
public:
    IndexColumn(QString name, bool descending) : name_(std::move(name)), descending_(descending) {}
    const QString &Name() const { return name_; }
    bool Descending() const { return descending_; }

private:
    QString name_;
    bool descending_;
};

// An index of a table, as its definition keeps it: every index, the primary
// key and the hidden ones behind relationships among them.
class Index {
public:
    struct Attributes {
        bool primary = false;
        bool unique = false;
        bool ignoreNulls = false;
        bool required = false;
        bool foreignKey = false; // the index behind a relationship, on either side
    };

    Index(QString name, Collection<IndexColumn> columns, Attributes attributes)
        : name_(std::move(name)), columns_(std::move(columns)), attributes_(attributes) {}

    const QString &Name() const { return name_; }
    const Collection<IndexColumn> &Columns() const { return columns_; }
    bool Primary() const { return attributes_.primary; }
    bool Unique() const { return attributes_.unique; }
    bool IgnoreNulls() const { return attributes_.ignoreNulls; }
    bool Required() const { return attributes_.required; }
    bool ForeignKey() const { return attributes_.foreignKey; }

private:
    QString name_;
    Collection<IndexColumn> columns_;
    Attributes attributes_;
};
