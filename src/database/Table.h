#pragma once

#include "common/OleDateTime.h"
#include "database/Collection.h"
#include "database/Column.h"
#include "database/Index.h"
#include "database/Key.h"
#include "database/Property.h"
#include "database/ReaderAnswers.h"
#include "database/Relationship.h"

#include <memory>
#include <optional>

class CatalogReader;

// One entry of the catalog: a local table, a linked table or a query. Its
// name, type and times come with the catalog; its columns and keys are asked
// of the reader when first needed.
class Table {
public:
    Table(std::shared_ptr<CatalogReader> reader, CatalogEntry entry);

    const QString &Name() const { return entry_.name; }
    qint64 id() const { return entry_.id; } // the reader's handle
    const QString &Type() const { return entry_.type; }
    OleDateTime DateCreated() const { return entry_.created; }
    OleDateTime DateModified() const { return entry_.modified; }

    // Throw Failure when the reader cannot give the table's design.
    const Collection<Column> &Columns() const;
    const Collection<Key> &Keys() const;

    // What else the file keeps about the table, read with its design (and
    // throwing as Columns()). The table's own properties, and of them its
    // description, validation rule and validation text (empty when not set);
    // the record count its definition holds; every index of the table and
    // every relationship it is on either side of, in the file's order. A
    // damaged property list gives no properties, a damaged index part of the
    // definition no indexes; the design reads still.
    const PropertyCollection &Properties() const;
    QString Description() const;
    QString ValidationRule() const;
    QString ValidationText() const;
    qint64 RecordCount() const;
    const Collection<Index> &Indexes() const;
    const Collection<Relationship> &Relationships() const;

private:
    struct Design {
        Collection<Column> columns;
        Collection<Key> keys;
        PropertyCollection properties;
        qint64 recordCount;
        Collection<Index> indexes;
        Collection<Relationship> relationships;
    };
    const Design &design() const;

    std::shared_ptr<CatalogReader> reader_;
    CatalogEntry entry_;
    mutable std::shared_ptr<const Design> design_;
};
