#include "ui/TableListing.h"

#include "database/Catalog.h"

TableListing::TableListing(std::shared_ptr<Connection> connection) {
    Catalog catalog;
    catalog.setActiveConnection(std::move(connection));
    const std::vector<const Table *> tables = catalog.UserTables();
    rows_.reserve(static_cast<qsizetype>(tables.size()));
    for (const Table *table : tables)
        rows_.append(
            {table->Name(), table->DateModified().toText(), table->DateCreated().toText()});
}
