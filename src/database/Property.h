#pragma once

#include "database/Collection.h"
#include "database/PropertyValue.h"

#include <QString>

// One property of a table or column as its property list keeps it: its name
// as stored, its value, and whether the list marks it a DDL property (as
// DAO's CreateProperty makes one: only a user who may change the design may
// change or delete it). In the fixtures Required, Caption and Description
// are, ColumnWidth and ColumnOrder are not.
class Property {
public:
    Property(QString name, PropertyValue value, bool ddl)
        : name_(std::move(name)), value_(std::move(value)), ddl_(ddl) {}

    const QString &Name() const { return name_; }
    const PropertyValue &Value() const { return value_; }
    bool IsDdl() const { return ddl_; }

private:
    QString name_;
    PropertyValue value_;
    bool ddl_;
};

// The properties of one table or column, in the order the list stores them.
class PropertyCollection : public Collection<Property> {
public:
    using Collection<Property>::Collection;

    // The property of that name, compared without regard to case as Access
    // names are; nullptr when there is none.
    const Property *Find(const QString &name) const {
        for (const Property &p : items_)
            if (p.Name().compare(name, Qt::CaseInsensitive) == 0)
                return &p;
        return nullptr;
    }

    // The text of a property stored as a text; empty when there is none.
    QString TextOf(const QString &name) const {
        const Property *p = Find(name);
        return p && p->Value().kind() == PropertyValue::Kind::Text ? p->Value().Text() : QString();
    }
};
