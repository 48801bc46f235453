#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// What a test database holds: local tables with their columns, keys and
// properties, relationships between them, queries and linked tables, and
// nothing else (the tables hold no rows).
// The writers (Jet4Writer.h) turn it into an Access file; tests and
// benchmarks describe their databases with it, in code or as JSON.

// A property of a table or a column as Access keeps it in the table's
// property list, with the type Access stores its value in.
struct TestProperty {
    QString name;
    // boolean byte integer long single double datetime binary text memo,
    // stored with the codes of the column types of those names (1 to 10;
    // memo 12)
    QString type;
    // bool for boolean; a number for byte to double; QDateTime for datetime;
    // QByteArray for binary; QString for text and memo
    QVariant value;
};

struct TestColumn {
    QString name;
    // boolean byte integer long currency single double datetime binary text
    // ole memo guid decimal
    QString type;
    int size = 0;       // characters for text, bytes for binary; 0: the largest (255 and 510)
    bool fixed = false; // fixed length; text and binary only
    // What the table's designer wrote about the column (its "Description"
    // property, at most 255 characters); empty: none. Kept in the table's
    // property list, within its catalog record while the record fits on a
    // page, else on long-value pages of its own.
    QString description{};
    // The column's other properties (Required, AllowZeroLength,
    // DefaultValue, ValidationRule, ValidationText, Caption, Format,
    // InputMask, DecimalPlaces, …), kept with its description.
    QList<TestProperty> properties{};
    // An AutoNumber: a long column numbered by increment, or a guid column
    // that is a replication ID.
    bool autoNumber = false;
    bool hyperlink = false; // a memo column that holds hyperlinks
    int precision = 0;      // decimal only: 1 to 28 digits; 0: Access's default of 18
    int scale = 0;          // decimal only: digits right of the point, up to the precision
};

struct TestKey {
    QString name;
    QString kind; // primary foreign unique index
    QStringList columns;
    // A foreign key's other side; empty: the key's own table and columns.
    QString referencedTable;
    QStringList referencedColumns;
    // Which of the columns sort descending; the others ascend. Not for
    // foreign keys, which take the index they share.
    QStringList descending{};
    bool ignoreNulls = false; // no entries for rows whose key is null; not for primary keys
    bool required = false;    // a key cannot be null; primary keys always are
};

struct TestTable {
    QString name;
    QDateTime created;  // wall-clock time; invalid: DefaultTestTime()
    QDateTime modified; // likewise
    bool hidden = false;
    bool system = false;
    QList<TestColumn> columns;
    QList<TestKey> keys;
    // The table's own properties: what its designer wrote about it, the rule
    // every record must satisfy and the text shown when one does not;
    // empty: none. Kept in its property list, as are any others.
    QString description{};
    QString validationRule{};
    QString validationText{};
    QList<TestProperty> properties{};
};

// A relationship between two tables as the relationships window makes it:
// each related column refers to the primary column in the same place.
// Enforced, it also gives both tables a foreign-key index naming the other.
struct TestRelationship {
    QString name;
    QString primaryTable;
    QStringList primaryColumns;
    QString relatedTable;
    QStringList relatedColumns; // empty: named as the primary columns
    bool oneToOne = false;
    bool enforced = true;
    bool cascadeUpdates = false; // enforced only, as the rest of the rules
    bool cascadeDeletes = false;
    // Related keys set to null when their record is deleted; how a file
    // stores it is not known here, so it cannot be written.
    bool cascadeNull = false;
    QString join = QStringLiteral("inner"); // the join the designer shows: inner left right
};

struct TestDatabase {
    QList<TestTable> tables;
    QStringList queries;
    QStringList links;
    QList<TestRelationship> relationships{};
};

// The time of every object whose description gives none: the system
// objects, the queries, the links, and tables without times.
QDateTime DefaultTestTime();

// The description in JSON:
//   {"tables": [{"name": …, "created": "yyyy-MM-dd HH:mm:ss[.zzz]", "modified": …,
//                "hidden": false, "system": false, "description": …,
//                "validationRule": …, "validationText": …, "properties": {…},
//                "columns": [{"name": …, "type": "text", "size": 50, "fixed": false,
//                             "description": …, "autoNumber": false, "hyperlink": false,
//                             "precision": 18, "scale": 0,
//                             "properties": {"Required": true, "Caption": "氏名",
//                                            "Tag": {"type": "memo", "value": …}}}, …],
//                "keys": [{"name": …, "kind": "foreign", "columns": [...],
//                          "references": {"table": …, "columns": [...]},
//                          "descending": [...], "ignoreNulls": false, "required": false},
//                         …]}, …],
//    "queries": [names…], "links": [names…],
//    "relationships": [{"name": …, "primaryTable": …, "primaryColumns": [...],
//                       "relatedTable": …, "relatedColumns": [...], "oneToOne": false,
//                       "enforced": true, "cascadeUpdates": false, "cascadeDeletes": false,
//                       "cascadeNull": false, "join": "inner"}, …]}
// Everything but names, types, kinds, key columns and a relationship's
// tables and primary columns may be left out. A property is its value, or
// {"type": …, "value": …} to name the type it is stored in; without one, a
// property Access keeps itself takes the type Access gives it (Required,
// AllowZeroLength: boolean; DecimalPlaces: byte; DefaultValue,
// ValidationRule, Caption: memo; ValidationText, Format, InputMask: text;
// …), any other a string text, true or false boolean, a whole number long,
// another number double. A binary value is written in hexadecimal digits, a
// datetime as the times above. A description that cannot be written gives
// nullopt and, in *error, the fault with the path of the field at fault
// ("tables[2].columns[0].type: …").
std::optional<TestDatabase> ParseTestDatabase(const QByteArray &json, QString *error);

// The first reason the description cannot be written, with the path of the
// field at fault; empty when it can be.
QString CheckTestDatabase(const TestDatabase &database);
