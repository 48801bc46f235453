// quillmere-make-workbook DATABASE OUTPUT.xlsx [TABLE ...]
//
// Runs the program's generator on an Access file, for the given tables or,
// when none is given, for every "TABLE" entry in catalog order, and writes
// the workbook to OUTPUT.xlsx instead of handing it to the desktop; also
// when the run fails, with what was written so far. A failed run prints the
// generator's message and exits 1; a database that does not open exits 2.

#include "Application.h"
#include "Catalog.h"
#include "ConnectionString.h"
#include "FilePresenter.h"
#include "clsOutputTableDesign.h"
#include "common/Failure.h"
#include "mdlADO.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

QStringList UserTables(const std::shared_ptr<Connection> &connection)
{
    Catalog catalog;
    catalog.setActiveConnection(connection);
    QStringList names;
    for (const Table &t : catalog.Tables())
        if (t.Type() == QLatin1String("TABLE"))
            names << t.Name();
    return names;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: quillmere-make-workbook DATABASE OUTPUT.xlsx [TABLE ...]\n");
        return 64;
    }
    const QString database = args[0];

    QStringList tables = args.mid(2);
    {
        const auto connection = mdlADO::OpenAccessConnection(database);
        if (!connection) {
            std::fprintf(stderr, "quillmere-make-workbook: cannot open %s\n", qUtf8Printable(database));
            return 2;
        }
        if (tables.isEmpty())
            tables = UserTables(connection);
    }

    auto presenter = std::make_shared<spreadsheet::FilePresenter>(args[1]);
    spreadsheet::Application::setPresenter(presenter);
    int status = 0;
    try {
        clsOutputTableDesign generator;
        for (const QString &table : tables)
            generator.AddTable(table);
        generator.setConnectionString(mdlADO::BuildConnectionString(database));
        generator.Make();
    } catch (const Failure &e) {
        std::fprintf(stderr, "quillmere-make-workbook: %s\n", e.what());
        status = 1;
    }
    spreadsheet::Application::setPresenter(nullptr);
    for (const QString &failure : presenter->failures())
        std::fprintf(stderr, "quillmere-make-workbook: %s\n", qUtf8Printable(failure));
    return presenter->written().isEmpty() ? 1 : status;
}
