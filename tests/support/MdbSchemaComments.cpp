#include "support/MdbSchemaComments.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

QHash<QString, QString> MdbSchemaColumnComments(const QString &database, const QString &table) {
    QProcess schema;
    schema.start(QStringLiteral("mdb-schema"),
                 {QStringLiteral("-T"), table, database, QStringLiteral("postgres")});
    if (!schema.waitForFinished(60000) || schema.exitStatus() != QProcess::NormalExit ||
        schema.exitCode() != 0) {
        schema.kill();
        QTest::qFail(qPrintable(QStringLiteral("mdb-schema (Debian's mdbtools) did not read %1: %2")
                                    .arg(database, schema.errorString())),
                     __FILE__, __LINE__);
        return {};
    }
    // COMMENT ON COLUMN "table"."column" IS 'text';  with '' for a quote.
    static const QRegularExpression comment(QStringLiteral(
        R"re(COMMENT ON COLUMN "(?:[^"]|"")*"\."((?:[^"]|"")*)" IS '((?:[^']|'')*)';)re"));
    QHash<QString, QString> comments;
    const QString text = QString::fromUtf8(schema.readAllStandardOutput());
    for (auto m = comment.globalMatch(text); m.hasNext();) {
        const auto match = m.next();
        comments.insert(match.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\"")),
                        match.captured(2).replace(QStringLiteral("''"), QStringLiteral("'")));
    }
    return comments;
}
