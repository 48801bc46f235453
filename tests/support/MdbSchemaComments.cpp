#include "support/MdbSchemaComments.h"

#include "support/MdbTools.h"

#include <QRegularExpression>

QHash<QString, QString> MdbSchemaColumnComments(const QString &database, const QString &table) {
    const std::optional<QString> text =
        RunMdbTool(QStringLiteral("mdb-schema"),
                   {QStringLiteral("-T"), table, database, QStringLiteral("postgres")});
    if (!text)
        return {};
    // COMMENT ON COLUMN "table"."column" IS 'text';  with '' for a quote.
    static const QRegularExpression comment(QStringLiteral(
        R"re(COMMENT ON COLUMN "(?:[^"]|"")*"\."((?:[^"]|"")*)" IS '((?:[^']|'')*)';)re"));
    QHash<QString, QString> comments;
    for (auto m = comment.globalMatch(*text); m.hasNext();) {
        const auto match = m.next();
        comments.insert(match.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\"")),
                        match.captured(2).replace(QStringLiteral("''"), QStringLiteral("'")));
    }
    return comments;
}
