#include "support/MdbSchemaKeys.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

// "`a`, `b` DESC" as "a, b DESC".
QString Columns(QString list) {
    return list.remove(QLatin1Char('`'));
}

} // namespace

MdbSchemaKeys ReadMdbSchemaKeys(const QString &database) {
    QProcess schema;
    schema.start(QStringLiteral("mdb-schema"),
                 {QStringLiteral("--indexes"), QStringLiteral("--relations"), database,
                  QStringLiteral("mysql")});
    if (!schema.waitForFinished(60000) || schema.exitStatus() != QProcess::NormalExit ||
        schema.exitCode() != 0) {
        schema.kill();
        QTest::qFail(qPrintable(QStringLiteral("mdb-schema (Debian's mdbtools) did not read %1: %2")
                                    .arg(database, schema.errorString())),
                     __FILE__, __LINE__);
        return {};
    }
    static const QRegularExpression index(
        QStringLiteral(R"(^ALTER TABLE `(.+)` ADD (UNIQUE )?INDEX `(.+)` \((.*)\);$)"));
    static const QRegularExpression primary(
        QStringLiteral(R"(^ALTER TABLE `(.+)` ADD PRIMARY KEY \((.*)\);$)"));
    static const QRegularExpression foreign(QStringLiteral(
        R"(^ALTER TABLE `(.+)` ADD CONSTRAINT `.+` FOREIGN KEY \((.*)\) REFERENCES `(.+)`\((.*)\)(( ON UPDATE CASCADE)?( ON DELETE CASCADE)?);$)"));
    MdbSchemaKeys keys;
    for (const QString &line : QString::fromUtf8(schema.readAllStandardOutput()).split('\n')) {
        if (const auto m = index.match(line); m.hasMatch())
            keys.indexes[m.captured(1)]
                << QStringLiteral("%1INDEX %2 (%3)")
                       .arg(m.captured(2), m.captured(3), Columns(m.captured(4)));
        else if (const auto p = primary.match(line); p.hasMatch())
            keys.indexes[p.captured(1)]
                << QStringLiteral("PRIMARY KEY (%1)").arg(Columns(p.captured(2)));
        else if (const auto f = foreign.match(line); f.hasMatch())
            keys.foreignKeys << QStringLiteral("%1 (%2) REFERENCES %3 (%4)%5")
                                    .arg(f.captured(1), Columns(f.captured(2)), f.captured(3),
                                         Columns(f.captured(4)), f.captured(5));
    }
    return keys;
}
