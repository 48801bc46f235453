// quillmere-catalog-dump [--tables-only] DATABASE
//
// Opens an Access file the way the program does and prints its catalog as
// JSON: every entry with its name, type and times, and for each "TABLE"
// entry its columns and keys. --tables-only leaves columns and keys out (the
// work of the table list). Exit status 2 when the database does not open,
// 1 when a table's design cannot be read.

#include "Catalog.h"
#include "common/Failure.h"
#include "mdlADO.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QJsonObject DescribeTable(const Table &table, bool withDesign)
{
    QJsonObject json{{"name", table.Name()},
                     {"type", table.Type()},
                     {"dateCreated", table.DateCreated().toText()},
                     {"dateModified", table.DateModified().toText()}};
    if (!withDesign || table.Type() != QLatin1String("TABLE"))
        return json;
    QJsonArray columns;
    for (const Column &c : table.Columns())
        columns.append(QJsonObject{{"name", c.Name()}, {"type", c.Type()}, {"definedSize", c.DefinedSize()}});
    QJsonArray keys;
    for (const Key &k : table.Keys()) {
        QJsonArray keyColumns;
        for (const KeyColumn &c : k.Columns())
            keyColumns.append(c.Name());
        keys.append(QJsonObject{{"name", k.Name()}, {"columns", keyColumns}});
    }
    json.insert("columns", columns);
    json.insert("keys", keys);
    return json;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool tablesOnly = args.removeAll(QStringLiteral("--tables-only")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: quillmere-catalog-dump [--tables-only] DATABASE\n");
        return 64;
    }

    const auto connection = mdlADO::OpenAccessConnection(args[0]);
    if (!connection) {
        std::fprintf(stderr, "quillmere-catalog-dump: cannot open %s\n", qUtf8Printable(args[0]));
        return 2;
    }
    try {
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QJsonArray tables;
        for (const Table &t : catalog.Tables())
            tables.append(DescribeTable(t, !tablesOnly));
        const QByteArray out = QJsonDocument(QJsonObject{{"tables", tables}}).toJson(QJsonDocument::Compact);
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
        std::fputc('\n', stdout);
    } catch (const Failure &e) {
        std::fprintf(stderr, "quillmere-catalog-dump: %s\n", e.what());
        return 1;
    }
    return 0;
}
