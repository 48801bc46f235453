#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What a test database holds: local tables with their columns and keys,
// queries and linked tables, and nothing else (the tables hold no rows).
// The writers (Jet4Writer.h) turn it into an Access file; tests and
// benchmarks describe their databases with it, in code or as JSON.

struct TestColumn {
    QString name;
    // boolean byte integer long currency single double datetime binary text
    // ole memo guid decimal
    QString type;
    int size = 0;       // characters for text, bytes for binary; 0: the largest (255 and 510)
    bool fixed = false; // fixed length; text and binary only
    // What the table's designer wrote about the column (its "Description"
    // property, at most 255 characters); empty: none. Kept in the table's
    // property list inline in its catalog record, so the descriptions of one
    // table must fit on a page with it.
    QString description{};
};

struct TestKey {
    QString name;
    QString kind; // primary foreign unique index
    QStringList columns;
    // A foreign key's other side; empty: the key's own table and columns.
    QString referencedTable;
    QStringList referencedColumns;
};

struct TestTable {
    QString name;
    QDateTime created;  // wall-clock time; invalid: DefaultTestTime()
    QDateTime modified; // likewise
    bool hidden = false;
    bool system = false;
    QList<TestColumn> columns;
    QList<TestKey> keys;
};

struct TestDatabase {
    QList<TestTable> tables;
    QStringList queries;
    QStringList links;
};

// The time of every object whose description gives none: the system
// objects, the queries, the links, and tables without times.
QDateTime DefaultTestTime();

// The description in JSON:
//   {"tables": [{"name": …, "created": "yyyy-MM-dd HH:mm:ss[.zzz]", "modified": …,
//                "hidden": false, "system": false,
//                "columns": [{"name": …, "type": "text", "size": 50, "fixed": false,
//                             "description": …}, …],
//                "keys": [{"name": …, "kind": "foreign", "columns": [...],
//                          "references": {"table": …, "columns": [...]}}, …]}, …],
//    "queries": [names…], "links": [names…]}
// Everything but names, types, kinds and key columns may be left out. A
// description that cannot be written gives nullopt and, in *error, the
// fault with the path of the field at fault ("tables[2].columns[0].type: …").
std::optional<TestDatabase> ParseTestDatabase(const QByteArray &json, QString *error);

// The first reason the description cannot be written, with the path of the
// field at fault; empty when it can be.
QString CheckTestDatabase(const TestDatabase &database);
