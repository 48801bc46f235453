// quillmere-make-testdb DESCRIPTION.json OUT.mdb
//
// Writes the Access database (Jet 4) that the JSON file describes: its
// tables with their columns, indexes and properties, the relationships
// between them, its queries and its linked tables (the format is in
// tests/testdb/TestDatabase.h). For tests and
// benchmarks. Exit status 0 when written; 1, with a line on standard error
// naming the fault, for a description that cannot be read or written, or a
// file that cannot be; 2 for a wrong command line.

#include "common/Failure.h"
#include "common/LocaleFreeNumbers.h"
#include "testdb/Jet4Writer.h"
#include "testdb/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    UseLocaleFreeNumbers(); // Qt took the whole locale from the environment
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: quillmere-make-testdb DESCRIPTION.json OUT.mdb\n");
        return 2;
    }
    const auto fail = [](const QString &message) {
        std::fprintf(stderr, "quillmere-make-testdb: %s\n",
                     qUtf8Printable(QString(message).replace('\n', ' ')));
        return 1;
    };

    QFile description(args[0]);
    if (!description.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(args[0], description.errorString()));
    QString error;
    const auto database = ParseTestDatabase(description.readAll(), &error);
    if (!database)
        return fail(QStringLiteral("%1: %2").arg(args[0], error));
    try {
        WriteJet4(*database, args[1]);
    } catch (const Failure &failure) {
        return fail(failure.message());
    }
    return 0;
}
