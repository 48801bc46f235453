#pragma once

#include "testdb/JetFormat.h"
#include "testdb/TestDatabase.h"

#include <QList>
#include <functional>
#include <utility>

// The system tables every database of ours holds, with the columns and
// indexes Access gives them, in the order their definitions are written:
// MSysObjects (whose definition is always page 2), MSysACEs, MSysQueries
// and MSysRelationships.
QList<TestTable> SystemTables();
constexpr int ObjectsTable = 0;
constexpr int RelationshipsTable = 3;

// The records of MSysObjects and MSysRelationships.
struct CatalogRecords {
    QList<QByteArray> objects;
    QList<QByteArray> relationships;
};

// The catalog of the database: its containers, every table (the tables
// given, system ones first, each with its first definition page), query,
// link and relationship in the order Access would have made them, each
// table with its property list; and a relationship record per pair of
// columns of every foreign key and relationship. A property list that
// leaves its record too large for a page goes to long-value pages through
// storeLongValue, which gives the field that points to them.
using LongValueStore = std::function<QByteArray(const QByteArray &value)>;
CatalogRecords MakeCatalogRecords(const JetFormat &format, const TestDatabase &database,
                                  const QList<std::pair<const TestTable *, quint32>> &tables,
                                  const LongValueStore &storeLongValue);
