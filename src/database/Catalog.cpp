#include "database/Catalog.h"

#include "common/Failure.h"
#include "database/CatalogReader.h"

#include <algorithm>

namespace {

bool IsUserTable(const Table &table) {
    return table.Type() == QLatin1String("TABLE");
}

} // namespace

TableCollection::TableCollection(std::vector<Table> tables) : Collection<Table>(std::move(tables)) {
    for (int i = Count() - 1; i >= 0; --i) {
        // Filled backwards, so that the first of equal names wins.
        exact_.insert(items_[i].Name(), i);
        folded_.insert(items_[i].Name().toCaseFolded(), i);
    }
}

const Table &TableCollection::Item(const QString &name) const {
    if (const auto it = exact_.constFind(name); it != exact_.cend())
        return items_[static_cast<size_t>(*it)];
    if (const auto it = folded_.constFind(name.toCaseFolded()); it != folded_.cend())
        return items_[static_cast<size_t>(*it)];
    throw Failure(FailureKind::MissingTable,
                  QStringLiteral("テーブル「%1」はデータベースにありません。").arg(name));
}

void Catalog::setActiveConnection(std::shared_ptr<Connection> connection) {
    if (!connection || !connection->isOpen())
        throw Failure(FailureKind::Internal, QStringLiteral("データベースに接続されていません。"));

    const auto &reader = connection->reader();
    // By name without regard to case, then by name: the folded names are
    // worked out once, not in every comparison.
    struct Entry {
        QString folded;
        const CatalogEntry *entry;
    };
    std::vector<Entry> order;
    order.reserve(reader->entries().size());
    for (const auto &entry : reader->entries())
        order.push_back({entry.name.toCaseFolded(), &entry});
    std::stable_sort(order.begin(), order.end(), [](const Entry &a, const Entry &b) {
        const int folded = a.folded.compare(b.folded);
        return folded != 0 ? folded < 0 : a.entry->name < b.entry->name;
    });
    std::vector<Table> tables;
    tables.reserve(order.size());
    for (const Entry &e : order)
        tables.emplace_back(reader, *e.entry);
    tables_ = TableCollection(std::move(tables));
    connection_ = std::move(connection);
}

std::vector<const Table *> Catalog::UserTables() const {
    std::vector<const Table *> tables;
    for (const Table &table : Tables())
        if (IsUserTable(table))
            tables.push_back(&table);
    return tables;
}

QStringList Catalog::UserTableNames() const {
    QStringList names;
    for (const Table *table : UserTables())
        names << table->Name();
    return names;
}

void Catalog::willRead(const QStringList &tableNames) const {
    if (!connection_)
        return;
    std::vector<qint64> ids;
    ids.reserve(static_cast<size_t>(tableNames.size()));
    for (const QString &name : tableNames) {
        try {
            const Table &table = tables_.Item(name);
            if (IsUserTable(table))
                ids.push_back(table.id());
        } catch (const Failure &) {
        }
    }
    connection_->reader()->setReadingOrder(ids);
}

const TableCollection &Catalog::Tables() const {
    if (!connection_)
        throw Failure(FailureKind::Internal, QStringLiteral("データベースに接続されていません。"));
    return tables_;
}
