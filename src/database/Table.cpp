#include "database/Table.h"

#include "common/Failure.h"
#include "database/CatalogReader.h"

Table::Table(std::shared_ptr<CatalogReader> reader, CatalogEntry entry)
    : reader_(std::move(reader)), entry_(std::move(entry)) {}

const Table::Design &Table::design() const {
    if (design_)
        return *design_;
    auto answer = reader_->design(entry_.id);
    if (!answer)
        throw Failure(QStringLiteral("テーブル「%1」の定義を読み取れません。").arg(entry_.name),
                      reader_->failure().value_or(Failure(FailureKind::Internal, QString())));

    std::vector<Column> columns;
    columns.reserve(answer->columns.size());
    for (auto &c : answer->columns)
        columns.emplace_back(c.name, c.type, c.definedSize, c.description, std::move(c.traits));
    std::vector<Key> keys;
    for (const auto &k : answer->keys) {
        std::vector<KeyColumn> keyColumns;
        for (const auto &name : k.columns)
            keyColumns.emplace_back(name);
        keys.emplace_back(k.name, Collection<KeyColumn>(std::move(keyColumns)));
    }
    design_ = std::make_shared<const Design>(
        Design{Collection<Column>(std::move(columns)), Collection<Key>(std::move(keys)),
               std::move(answer->properties), answer->recordCount,
               Collection<Index>(std::move(answer->indexes)),
               Collection<Relationship>(std::move(answer->relationships))});
    return *design_;
}

const Collection<Column> &Table::Columns() const {
    return design().columns;
}

const Collection<Key> &Table::Keys() const {
    return design().keys;
}

const PropertyCollection &Table::Properties() const {
    return design().properties;
}

QString Table::Description() const {
    return Properties().TextOf(QStringLiteral("Description"));
}

QString Table::ValidationRule() const {
    return Properties().TextOf(QStringLiteral("ValidationRule"));
}

QString Table::ValidationText() const {
    return Properties().TextOf(QStringLiteral("ValidationText"));
}

qint64 Table::RecordCount() const {
    return design().recordCount;
}

const Collection<Index> &Table::Indexes() const {
    return design().indexes;
}

const Collection<Relationship> &Table::Relationships() const {
    return design().relationships;
}
