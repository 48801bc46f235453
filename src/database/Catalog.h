#pragma once

#include "database/Collection.h"
#include "database/Connection.h"
#include "database/Table.h"

#include <QHash>
#include <memory>
#include <vector>

// The tables of a catalog: every local table, linked table and query, in
// ascending order of name compared without regard to case.
class TableCollection : public Collection<Table> {
public:
    TableCollection() = default;
    explicit TableCollection(std::vector<Table> tables);

    using Collection<Table>::Item;
    // The table of exactly that name, else the one whose name matches without
    // regard to case (Access names are case-insensitive); throws Failure naming
    // the table when there is none.
    const Table &Item(const QString &name) const;

private:
    QHash<QString, int> exact_;
    QHash<QString, int> folded_;
};

// The catalog of an open database.
class Catalog {
public:
    // Binds the catalog to an open connection; throws Failure for none.
    void setActiveConnection(std::shared_ptr<Connection> connection);
    const std::shared_ptr<Connection> &ActiveConnection() const { return connection_; }

    // Throws Failure while the catalog is bound to no connection.
    const TableCollection &Tables() const;

    // The user's own tables (type "TABLE": no system table, link,
    // pass-through or view), in catalog order: entries of Tables(), valid
    // until the catalog is bound anew or goes. Throws as Tables().
    std::vector<const Table *> UserTables() const;
    // Their names.
    QStringList UserTableNames() const;

    // Tells the reader which tables' columns and keys will be read, in
    // order, so that it can read ahead. Names not in the catalog are passed
    // over; nothing else changes.
    void willRead(const QStringList &tableNames) const;

private:
    std::shared_ptr<Connection> connection_;
    TableCollection tables_;
};
