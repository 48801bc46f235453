#pragma once

#include "testdb/JetFormat.h"
#include "testdb/TestDatabase.h"

#include <QList>
#include <optional>

// Where a column lies in its table's definition and in a record.
struct ColumnLayout {
    quint8 storedType = 0;
    int number = 0; // also its bit in a record's null mask
    int length = 0; // bytes; 0 for memo and OLE
    bool fixed = false;
    int fixedOffset = 0; // in the fixed part of a record (booleans take none)
    int variableIndex =
        0; // in a record's offset table; for fixed columns, the variable ones before
    bool longValue = false; // memo and OLE, whose values may live on pages of their own
    bool autoNumber = false;
    bool hyperlink = false;
    int precision = 0; // decimal only
    int scale = 0;
};

QList<ColumnLayout> LayOutColumns(const JetFormat &format, const QList<TestColumn> &columns);

// A physical index: its columns by number, each ascending or not, and its pages.
struct RealIndex {
    QList<int> columns;
    quint8 flags = 0;         // 0x01 unique, 0x02 ignore nulls, 0x08 required
    quint32 usageMap = 0;     // page and row of its usage map
    quint32 firstPage = 0;    // its (leaf) index page
    QList<bool> descending{}; // per column; empty: all ascending
};

// An index as the database designer sees it: a name, a kind and the real
// index that holds its entries. Foreign keys have one on each table of the
// relationship, each naming the other.
struct LogicalIndex {
    QString name;
    int number = 0;
    int realIndex = 0;
    quint8 type = 0; // 0 plain or unique, 1 primary key, 2 foreign key
    quint8 relatedTableType = 0;
    qint32 relatedIndex = -1;
    quint32 relatedTablePage = 0;
    bool cascadeUpdates = false; // foreign keys: the rules of their relationship
    bool cascadeDeletes = false;
};

// The usage maps of a memo or OLE column's long-value pages.
struct LongValueMaps {
    int column = 0;
    quint32 usageMap = 0;
    quint32 freeMap = 0;
};

struct TableDefinition {
    bool system = false;
    QList<TestColumn> columns;
    quint32 rowCount = 0;
    quint32 usageMap = 0;
    quint32 freeMap = 0;
    QList<RealIndex> realIndexes;
    QList<LogicalIndex> logicalIndexes; // in stored order
    QList<LongValueMaps> longValueMaps;
};

// The definition as one stream, from the first page's header (whose page
// fields WriteTableDefinitionPages fills) to the end of the long-value list.
QByteArray EncodeTableDefinition(const JetFormat &format, const TableDefinition &table);

// The pages a definition stream of that length takes: the first holds the
// stream's first page-size bytes, each next one another page-size minus 8
// after a header of its own.
int TableDefinitionPageCount(const JetFormat &format, qsizetype streamLength);

// Writes the stream over those pages, chained by their next-page fields.
void WriteTableDefinitionPages(const JetFormat &format, const QByteArray &stream,
                               const QList<quint32> &pages, QByteArray &image);

// A record of the table: a value per column in column order, nullopt for
// null; a boolean is true when it has a value.
QByteArray EncodeRecord(const JetFormat &format, const QList<ColumnLayout> &layout,
                        const QList<std::optional<QByteArray>> &values);

// A memo value kept within its record.
QByteArray InlineMemo(const QByteArray &text);

// A memo or OLE value of that length kept on long-value pages: in the one
// row at pointer (page << 8 | row), or, chained, in rows that each begin
// with the pointer to the next.
QByteArray LongValueField(quint32 length, quint32 pointer, bool chained);
