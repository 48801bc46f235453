#pragma once

#include "common/Failure.h"
#include "common/OleDateTime.h"
#include "database/Column.h"
#include "database/Index.h"
#include "database/Property.h"
#include "database/Relationship.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The answers of the catalog reader process, decoded. The reader is ours, but
// it reads damaged files and may die half way, so every answer is checked in
// full: anything missing, of the wrong kind or out of range makes the whole
// answer unusable.

struct CatalogEntry {
    qint64 id = 0; // the reader's handle for the entry
    QString name;
    QString type; // "TABLE", "SYSTEM TABLE", "LINK", "PASS-THROUGH" or "VIEW"
    OleDateTime created;
    OleDateTime modified;
};

struct ColumnDesign {
    QString name;
    qint32 type = 0; // ADO data type code
    qint32 definedSize = 0;
    QString description{}; // empty when the column has none
    ColumnTraits traits{};
};

struct KeyDesign {
    QString name;
    QStringList columns;
};

struct TableDesign {
    std::vector<ColumnDesign> columns;
    std::vector<KeyDesign> keys;
    // What else the file keeps about the table; an answer without them (a
    // reader of before) has none.
    qint64 recordCount = 0;
    PropertyCollection properties{};
    std::vector<Index> indexes{};
    std::vector<Relationship> relationships{};
};

// The first answer: every catalog entry, in the reader's order.
std::optional<std::vector<CatalogEntry>> DecodeCatalogAnswer(const QByteArray &line);

// The answer to a request for one table's design.
std::optional<TableDesign> DecodeTableAnswer(const QByteArray &line);

// A failure answer {"error":"…","kind":"…"} as the failure it tells, with the
// reader's words as its message; of the kind Internal when the answer names
// no kind. Nothing for any other line.
std::optional<Failure> DecodeErrorAnswer(const QByteArray &line);
