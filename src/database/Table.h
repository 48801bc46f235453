#pragma once

#include "common/OleDateTime.h"
#include "database/Collection.h"
#include "database/Column.h"
#include "database/Key.h"
#include "database/ReaderAnswers.h"

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

private:
    struct Design {
        Collection<Column> columns;
        Collection<Key> keys;
    };
    const Design &design() const;

    std::shared_ptr<CatalogReader> reader_;
    CatalogEntry entry_;
    mutable std::shared_ptr<const Design> design_;
};
