#include "testdb/Jet4Writer.h"

#include "common/Failure.h"
#include "common/OleDateTime.h"
#include "testdb/JetCatalog.h"
#include "testdb/JetFormat.h"
#include "testdb/JetPages.h"
#include "testdb/JetTableDefinition.h"

#include <QHash>
#include <QSaveFile>
#include <algorithm>

namespace {

// Real index flags as Access writes them: every Jet 4 index has 0x80 (Jet
// 3 indexes do not; its writer drops it).
constexpr quint8 IndexFlags = 0x80;
constexpr quint8 UniqueFlag = 0x01;
constexpr quint8 IgnoreNullsFlag = 0x02;
constexpr quint8 RequiredFlag = 0x08; // a primary key's too

// Logical index types, and the two sides of a relationship.
constexpr quint8 PlainIndex = 0, PrimaryKeyIndex = 1, ForeignKeyIndex = 2;
constexpr quint8 ReferencingSide = 2, ReferencedSide = 1;

quint8 RealIndexFlags(const TestKey &key) {
    const bool primary = key.kind == "primary";
    return IndexFlags | (primary || key.kind == "unique" ? UniqueFlag : 0) |
           (key.ignoreNulls ? IgnoreNullsFlag : 0) | (primary || key.required ? RequiredFlag : 0);
}

QList<bool> DescendingColumns(const TestKey &key) {
    QList<bool> descending;
    if (!key.descending.isEmpty())
        for (const QString &c : key.columns)
            descending << key.descending.contains(c);
    return descending;
}

int ColumnNumber(const TestTable &table, const QString &name) {
    for (int i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].name == name)
            return i;
    throw Failure(FailureKind::Internal,
                  QStringLiteral("no column \"%1\" in table \"%2\"").arg(name, table.name));
}

struct TablePlan {
    TestTable table;
    TableDefinition definition;
    QList<int> relatedTables; // per logical index: the plan of the other side, or -1
    QList<quint32> tdefPages;
    QList<QByteArray> records;
    QList<quint32> dataPages;
    QList<quint32> indexPages; // per real index
};

struct MapSlot {
    QList<quint32> pages;
    QList<quint32> mapPages; // usage map pages, when the pages do not fit in the row
    quint32 ref = 0;
};

class Writer {
public:
    Writer(const JetFormat &format, const TestDatabase &database)
        : format_(format), database_(database) {}

    QByteArray write() {
        for (TestTable &t : SystemTables())
            plans_ << TablePlan{t, {}, {}, {}, {}, {}, {}};
        for (const TestTable &t : database_.tables)
            plans_ << TablePlan{t, {}, {}, {}, {}, {}, {}};
        planIndexes();
        for (TablePlan &p : plans_) {
            p.definition.system = p.table.system;
            p.definition.columns = p.table.columns;
            const QList<ColumnLayout> layout = LayOutColumns(format_, p.table.columns);
            for (const ColumnLayout &c : layout)
                if (c.longValue)
                    p.definition.longValueMaps << LongValueMaps{c.number, 0, 0};
        }
        allocate();
        return image();
    }

private:
    // Every key becomes a logical index in its table, stored in the
    // description's order, backed by a real index. The other keys' real
    // indexes come first and carry their logical indexes' numbers, as
    // libmdb pairs them by number; a foreign key shares the real index of
    // a key on the same columns, else has one of its own at the end. Its
    // referenced table gets a logical index of its own (".rA", …) that names
    // the referencing one.
    void planIndexes() {
        struct Reference {
            int table;
            int logical;
            int referenced;
            QList<int> columns;
        };
        QList<Reference> references;
        QHash<QString, int> byName;
        for (int t = 0; t < plans_.size(); ++t)
            byName.insert(plans_[t].table.name, t);

        for (int t = 0; t < plans_.size(); ++t) {
            TablePlan &p = plans_[t];
            const QList<TestKey> &keys = p.table.keys;
            p.definition.logicalIndexes.resize(keys.size());
            p.relatedTables = QList<int>(keys.size(), -1);
            int number = 0;
            for (int k = 0; k < keys.size(); ++k) {
                if (keys[k].kind == "foreign")
                    continue;
                const bool primary = keys[k].kind == "primary";
                RealIndex real{columnsOf(p.table, keys[k].columns), RealIndexFlags(keys[k]), 0, 0,
                               DescendingColumns(keys[k])};
                p.definition.realIndexes << real;
                p.definition.logicalIndexes[k] = LogicalIndex{
                    keys[k].name, number, number, primary ? PrimaryKeyIndex : PlainIndex, 0, -1, 0};
                ++number;
            }
            for (int k = 0; k < keys.size(); ++k) {
                if (keys[k].kind != "foreign")
                    continue;
                const int real = realIndexFor(p, columnsOf(p.table, keys[k].columns));
                p.definition.logicalIndexes[k] = LogicalIndex{
                    keys[k].name, number++, real, ForeignKeyIndex, ReferencingSide, -1, 0};
                const int referenced = keys[k].referencedTable.isEmpty()
                                           ? t
                                           : byName.value(keys[k].referencedTable, -1);
                if (referenced < 0)
                    throw Failure(FailureKind::Internal,
                                  QStringLiteral("no table \"%1\"").arg(keys[k].referencedTable));
                const QStringList names = keys[k].referencedColumns.isEmpty()
                                              ? keys[k].columns
                                              : keys[k].referencedColumns;
                references << Reference{t, k, referenced,
                                        columnsOf(plans_[referenced].table, names)};
                p.relatedTables[k] = referenced;
            }
        }

        for (const Reference &r : references) {
            TablePlan &other = plans_[r.referenced];
            const int number = static_cast<int>(other.definition.logicalIndexes.size());
            // A key on its own table grows the list that holds it: the key is
            // found again after the append rather than held across it.
            other.definition.logicalIndexes
                << LogicalIndex{referencedIndexName(other),
                                number,
                                realIndexFor(other, r.columns),
                                ForeignKeyIndex,
                                ReferencedSide,
                                plans_[r.table].definition.logicalIndexes[r.logical].number,
                                0};
            other.relatedTables << r.table;
            plans_[r.table].definition.logicalIndexes[r.logical].relatedIndex = number;
        }

        // An enforced relationship of the description: its related table's
        // foreign key, named as the relationship, and the primary table's
        // index of the other side, each naming the other and carrying the
        // rules.
        for (const TestRelationship &r : database_.relationships) {
            if (!r.enforced)
                continue;
            const int primary = byName.value(r.primaryTable, -1);
            const int related = byName.value(r.relatedTable, -1);
            if (primary < 0 || related < 0)
                throw Failure(FailureKind::Internal,
                              QStringLiteral("no table \"%1\"")
                                  .arg(primary < 0 ? r.primaryTable : r.relatedTable));
            const QStringList relatedColumns =
                r.relatedColumns.isEmpty() ? r.primaryColumns : r.relatedColumns;
            TablePlan &many = plans_[related];
            const int key = static_cast<int>(many.definition.logicalIndexes.size());
            many.definition.logicalIndexes
                << LogicalIndex{r.name,
                                key,
                                realIndexFor(many, columnsOf(many.table, relatedColumns)),
                                ForeignKeyIndex,
                                ReferencingSide,
                                -1,
                                0,
                                r.cascadeUpdates,
                                r.cascadeDeletes};
            many.relatedTables << primary;
            TablePlan &one = plans_[primary];
            const int other = static_cast<int>(one.definition.logicalIndexes.size());
            one.definition.logicalIndexes
                << LogicalIndex{referencedIndexName(one),
                                other,
                                realIndexFor(one, columnsOf(one.table, r.primaryColumns)),
                                ForeignKeyIndex,
                                ReferencedSide,
                                key,
                                0,
                                r.cascadeUpdates,
                                r.cascadeDeletes};
            one.relatedTables << related;
            plans_[related].definition.logicalIndexes[key].relatedIndex = other;
        }
    }

    static QList<int> columnsOf(const TestTable &table, const QStringList &names) {
        QList<int> numbers;
        for (const QString &n : names)
            numbers << ColumnNumber(table, n);
        return numbers;
    }

    static int realIndexFor(TablePlan &p, const QList<int> &columns) {
        for (int i = 0; i < p.definition.realIndexes.size(); ++i)
            if (p.definition.realIndexes[i].columns == columns)
                return i;
        p.definition.realIndexes << RealIndex{columns, IndexFlags, 0, 0};
        return static_cast<int>(p.definition.realIndexes.size()) - 1;
    }

    static QString referencedIndexName(const TablePlan &p) {
        for (int n = 0;; ++n) {
            QString suffix;
            for (int i = n; i >= 0; i = i / 26 - 1)
                suffix.prepend(QChar('A' + i % 26));
            const QString name = QStringLiteral(".r") + suffix;
            if (std::none_of(p.definition.logicalIndexes.begin(), p.definition.logicalIndexes.end(),
                             [&](const LogicalIndex &l) { return l.name == name; }))
                return name;
        }
    }

    QList<quint32> take(int count) {
        QList<quint32> pages;
        for (int i = 0; i < count; ++i)
            pages << next_++;
        return pages;
    }

    void allocate() {
        // After the header and the map of free pages: MSysObjects' definition is always page 2.
        next_ = 2;
        for (TablePlan &p : plans_)
            p.tdefPages = take(TableDefinitionPageCount(
                format_, EncodeTableDefinition(format_, p.definition).size()));

        catalogRecords();
        for (TablePlan &p : plans_) {
            p.definition.rowCount = static_cast<quint32>(p.records.size());
            recordPages_ << PackRecords(format_, p.records);
            p.dataPages = take(static_cast<int>(recordPages_.last().size()));
        }
        for (TablePlan &p : plans_)
            p.indexPages = take(static_cast<int>(p.definition.realIndexes.size()));

        // Every usage map is a row on a page of maps.
        for (TablePlan &p : plans_) {
            mapSlots_ << MapSlot{p.dataPages, {}, 0};
            mapSlots_ << MapSlot{p.dataPages.isEmpty() ? QList<quint32>()
                                                       : QList<quint32>{p.dataPages.last()},
                                 {},
                                 0};
            for (quint32 page : p.indexPages)
                mapSlots_ << MapSlot{{page}, {}, 0};
            for (int i = 0; i < p.definition.longValueMaps.size(); ++i)
                mapSlots_ << MapSlot{} << MapSlot{};
        }
        const QList<QByteArray> blank(mapSlots_.size(), QByteArray(format_.mapRowSize(), '\0'));
        const auto mapPageRows = PackRecords(format_, blank);
        mapPages_ = take(static_cast<int>(mapPageRows.size()));
        const int perPage =
            mapPageRows.isEmpty() ? 1 : static_cast<int>(mapPageRows.first().size());
        for (int s = 0; s < mapSlots_.size(); ++s) {
            mapSlots_[s].ref = PageRow(mapPages_[s / perPage], s % perPage);
            mapSlots_[s].mapPages = take(UsageMapPagesNeeded(format_, mapSlots_[s].pages));
        }

        int slot = 0;
        for (int t = 0; t < plans_.size(); ++t) {
            TableDefinition &d = plans_[t].definition;
            d.usageMap = mapSlots_[slot++].ref;
            d.freeMap = mapSlots_[slot++].ref;
            for (int i = 0; i < d.realIndexes.size(); ++i) {
                d.realIndexes[i].usageMap = mapSlots_[slot++].ref;
                d.realIndexes[i].firstPage = plans_[t].indexPages[i];
            }
            for (LongValueMaps &m : d.longValueMaps) {
                m.usageMap = mapSlots_[slot++].ref;
                m.freeMap = mapSlots_[slot++].ref;
            }
            for (int i = 0; i < d.logicalIndexes.size(); ++i)
                if (plans_[t].relatedTables[i] >= 0)
                    d.logicalIndexes[i].relatedTablePage =
                        plans_[plans_[t].relatedTables[i]].tdefPages.first();
        }
    }

    void catalogRecords() {
        QList<std::pair<const TestTable *, quint32>> tables;
        for (const TablePlan &p : plans_)
            tables.append({&p.table, p.tdefPages.first()});
        CatalogRecords records =
            MakeCatalogRecords(format_, database_, tables,
                               [this](const QByteArray &value) { return storeLongValue(value); });
        plans_[ObjectsTable].records = records.objects;
        plans_[RelationshipsTable].records = records.relationships;
    }

    // A value on long-value pages of its own, a row on each: one row when it
    // fits, else a chain of rows, each with the pointer to the next first.
    QByteArray storeLongValue(const QByteArray &value) {
        const int room = MaxRecordSize(format_);
        if (value.size() <= room) {
            const quint32 page = take(1).first();
            longValuePages_.append({page, value});
            return LongValueField(static_cast<quint32>(value.size()), PageRow(page, 0), false);
        }
        const int part = room - 4;
        const int count = static_cast<int>((value.size() + part - 1) / part);
        const QList<quint32> pages = take(count);
        for (int i = 0; i < count; ++i) {
            QByteArray row;
            Le::put32(row, i + 1 < count ? PageRow(pages[i + 1], 0) : 0);
            longValuePages_.append({pages[i], row + value.mid(qsizetype(i) * part, part)});
        }
        return LongValueField(static_cast<quint32>(value.size()), PageRow(pages.first(), 0), true);
    }

    QByteArray image() {
        QByteArray file(qsizetype(next_) * format_.pageSize, '\0');
        const auto page = [&](quint32 n) { return file.data() + qsizetype(n) * format_.pageSize; };
        const QDateTime created = DefaultTestTime();
        WriteHeaderPage(format_, OleDateTime::fromDateTime(created.date(), created.time()).serial(),
                        page(0));
        WriteGlobalMapPage(format_, next_, page(1));
        for (int t = 0; t < plans_.size(); ++t) {
            const TablePlan &p = plans_[t];
            const QByteArray stream = EncodeTableDefinition(format_, p.definition);
            if (TableDefinitionPageCount(format_, stream.size()) != p.tdefPages.size())
                throw Failure(
                    FailureKind::Internal,
                    QStringLiteral("the definition of \"%1\" changed its size").arg(p.table.name));
            WriteTableDefinitionPages(format_, stream, p.tdefPages, file);
            for (int i = 0; i < p.dataPages.size(); ++i)
                WriteDataPage(format_, p.tdefPages.first(), recordPages_[t][i],
                              page(p.dataPages[i]));
            for (quint32 n : p.indexPages)
                WriteEmptyIndexPage(format_, p.tdefPages.first(), page(n));
        }
        for (const auto &[n, row] : longValuePages_)
            WriteDataPage(format_, LongValueOwner, {row}, page(n));
        QList<QByteArray> rows;
        for (const MapSlot &s : mapSlots_)
            rows << UsageMapRow(format_, s.pages, s.mapPages, file);
        const auto mapPageRows = PackRecords(format_, rows);
        for (int i = 0; i < mapPageRows.size(); ++i)
            WriteDataPage(format_, 0, mapPageRows[i], page(mapPages_[i]));
        return file;
    }

    JetFormat format_;
    const TestDatabase &database_;
    QList<TablePlan> plans_;
    QList<QList<QList<QByteArray>>>
        recordPages_; // per table, its records as packed on its data pages
    QList<MapSlot> mapSlots_;
    QList<std::pair<quint32, QByteArray>> longValuePages_; // a row each
    QList<quint32> mapPages_;
    quint32 next_ = 0;
};

void Write(const JetFormat &format, const TestDatabase &database, const QString &path) {
    if (const QString fault = CheckTestDatabase(database); !fault.isEmpty())
        throw Failure(FailureKind::Internal, fault);
    const QByteArray bytes = Writer(format, database).write();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Failure(FailureKind::Output,
                      QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace

void WriteJet4(const TestDatabase &database, const QString &path) {
    Write(JetFormat::Jet4(), database, path);
}

void WriteJet3(const TestDatabase &database, const QString &path, quint16 codePage) {
    Write(JetFormat::Jet3(codePage), database, path);
}
