#include "support/MdbTools.h"

#include <QProcess>
#include <QTest>

std::optional<QString> RunMdbTool(const QString &program, const QStringList &arguments,
                                  const QString &jet3CharacterSet) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    if (!jet3CharacterSet.isEmpty())
        environment.insert(QStringLiteral("MDB_JET3_CHARSET"), jet3CharacterSet);
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        tool.kill();
        QTest::qFail(
            qPrintable(QStringLiteral("%1 (Debian's mdbtools) did not read %2: %3 %4")
                           .arg(program, arguments.join(QLatin1Char(' ')), tool.errorString(),
                                QString::fromUtf8(tool.readAllStandardError()))),
            __FILE__, __LINE__);
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QHash<QString, QHash<QString, QString>>
MdbPropBlocks(const QString &database, const QString &object, const QString &jet3CharacterSet) {
    // name: BLOCK                    ("(none)" for the object itself)
    // <tab>PROPERTY: VALUE           for each property, in no fixed order
    // (an empty line)
    const std::optional<QString> text =
        RunMdbTool(QStringLiteral("mdb-prop"), {database, object}, jet3CharacterSet);
    QHash<QString, QHash<QString, QString>> blocks;
    if (!text || text->trimmed() == QStringLiteral("No properties."))
        return blocks;
    QHash<QString, QString> *block = nullptr;
    for (const QString &line : text->split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("name: "))) {
            const QString name = line.mid(6);
            block = &blocks[name == QStringLiteral("(none)") ? QString() : name];
        } else if (line.startsWith(QLatin1Char('\t')) && block) {
            const qsizetype colon = line.indexOf(QStringLiteral(": "));
            block->insert(line.mid(1, colon - 1), line.mid(colon + 2));
        }
    }
    return blocks;
}
