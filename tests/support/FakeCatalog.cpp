#include "support/FakeCatalog.h"

#include "support/Files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

FakeCatalog::FakeCatalog(std::shared_ptr<Readers> readers, const QList<FakeTable> &tables)
    : readers_(std::move(readers)), readerBefore_(readers_->settings.executable) {
    QJsonArray entries;
    QByteArray designs;
    for (int i = 0; i < tables.size(); ++i) {
        const FakeTable &t = tables[i];
        entries.append(QJsonObject{{"id", i + 1},
                                   {"name", t.name},
                                   {"type", t.type},
                                   {"created", t.created},
                                   {"modified", t.modified}});
        QJsonArray columns;
        for (const ColumnDesign &c : t.columns) {
            QJsonObject column{{"name", c.name}, {"type", c.type}, {"definedSize", c.definedSize}};
            if (!c.description.isEmpty())
                column.insert(QStringLiteral("description"), c.description);
            columns.append(column);
        }
        QJsonArray keys;
        for (const KeyDesign &k : t.keys)
            keys.append(
                QJsonObject{{"name", k.name}, {"columns", QJsonArray::fromStringList(k.columns)}});
        designs += QJsonDocument(QJsonObject{{"columns", columns}, {"keys", keys}})
                       .toJson(QJsonDocument::Compact);
        designs += '\n';
    }
    const QByteArray catalog =
        QJsonDocument(QJsonObject{{"tables", entries}}).toJson(QJsonDocument::Compact);
    const QString script = dir_.filePath(QStringLiteral("reader.sh"));
    WriteFile(dir_.filePath(QStringLiteral("catalog.json")), catalog + '\n');
    WriteFile(dir_.filePath(QStringLiteral("designs.jsonl")), designs);
    WriteFile(databasePath(), QByteArray());
    // Line N of the designs answers the request for id N.
    WriteFile(script, "#!/bin/sh\n"
                      "dir=$(dirname \"$0\")\n"
                      "cat \"$dir/catalog.json\"\n"
                      "while read id; do sed -n \"${id}p\" \"$dir/designs.jsonl\"; done\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    readers_->settings.executable = script;
}

FakeCatalog::~FakeCatalog() {
    readers_->settings.executable = readerBefore_;
}
