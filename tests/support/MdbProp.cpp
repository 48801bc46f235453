#include "support/MdbProp.h"

#include <QProcess>
#include <QTest>

QHash<QString, QHash<QString, QString>> ReadMdbProp(const QString &database, const QString &entry) {
    QProcess prop;
    prop.start(QStringLiteral("mdb-prop"), {database, entry});
    if (!prop.waitForFinished(60000) || prop.exitStatus() != QProcess::NormalExit ||
        prop.exitCode() != 0) {
        prop.kill();
        QTest::qFail(qPrintable(QStringLiteral("mdb-prop (Debian's mdbtools) did not read %1: %2")
                                    .arg(database, prop.errorString())),
                     __FILE__, __LINE__);
        return {};
    }
    // "name: OBJECT", then "\tNAME: VALUE" lines, a blank line after each object.
    QHash<QString, QHash<QString, QString>> objects;
    QHash<QString, QString> *current = nullptr;
    for (const QString &line : QString::fromUtf8(prop.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QLatin1String("name: "))) {
            const QString object = line.mid(6);
            current = &objects[object == QLatin1String("(none)") ? QString() : object];
        } else if (current && line.startsWith('\t')) {
            const qsizetype colon = line.indexOf(QLatin1String(": "));
            if (colon > 0)
                current->insert(line.mid(1, colon - 1), line.mid(colon + 2));
        }
    }
    return objects;
}
