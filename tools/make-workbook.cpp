// quillmere-make-workbook [--descriptions] [--details] DATABASE OUTPUT.xlsx
//                         [TABLE ...]
//
// Runs the program's generator on an Access file, for the given tables or,
// when none is given, for every "TABLE" entry in catalog order (with
// --descriptions, each field's description in its row, as the window's menu
// item does; with --details, the detailed workbook, as the window's other
// item does), and writes the workbook to OUTPUT.xlsx instead of handing it
// to the desktop; also
// when the run fails, with what was written so far. A failed run prints the
// generator's message and exits 1; a database that does not open exits 2,
// with the reason.
//
// The database is only ever read: an output that is the database itself
// (also through a link), or anything but a regular file or a new name, is
// refused before anything is written. The workbook replaces OUTPUT.xlsx only
// once it is complete; until then OUTPUT.xlsx stays as it was.

#include "ToolRun.h"
#include "common/Failure.h"
#include "common/HeapReuse.h"
#include "common/LocaleFreeNumbers.h"
#include "database/Catalog.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/clsOutputTableDesign.h"
#include "spreadsheet/DraftFile.h"
#include "spreadsheet/FilePresenter.h"
#include "spreadsheet/OutputTarget.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

QStringList UserTables(const std::shared_ptr<Connection> &connection) {
    Catalog catalog;
    catalog.setActiveConnection(connection);
    return catalog.UserTableNames();
}

constexpr char Tool[] = "quillmere-make-workbook";
constexpr char Usage[] = "usage: quillmere-make-workbook [--descriptions] [--details] DATABASE\n"
                         "                               OUTPUT.xlsx [TABLE ...]\n";
constexpr char Help[] =
    "usage: quillmere-make-workbook [--descriptions] [--details] DATABASE\n"
    "                               OUTPUT.xlsx [TABLE ...]\n"
    "\n"
    "Writes the table design workbook of an Access database to OUTPUT.xlsx: one\n"
    "sheet per table, for the tables given or for every user table in catalog\n"
    "order. Also when the run fails half way, the workbook so far is written.\n"
    "OUTPUT.xlsx is replaced only once the new workbook is complete; an output\n"
    "that is the database itself, or not a regular file or a new name, is\n"
    "refused before anything is written.\n"
    "\n"
    "  --descriptions  write each field's description into the column headed\n"
    "                  説明 (F) of its row\n"
    "  --details       write the detailed workbook: a contents sheet first, and\n"
    "                  on each table's sheet its fields' properties, its indexes\n"
    "                  and its relationships (with the descriptions)\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Exit status: 0 the workbook is written; 1 the run failed (the message says\n"
    "why) or the output was refused; 2 the database does not open (the reason\n"
    "is on standard error); 64 wrong usage.\n";

void Say(const QString &text) {
    Say(Tool, text);
}

int Run(const Services &services, QStringList args) {
    if (const auto answered = AnswerHelpOrVersion(Tool, args, Help))
        return *answered;
    const bool descriptions = args.removeAll(QStringLiteral("--descriptions")) > 0;
    const bool details = args.removeAll(QStringLiteral("--details")) > 0;
    if (args.size() < 2 || args[0].startsWith(QStringLiteral("--"))) {
        std::fputs(Usage, stderr);
        return 64;
    }
    const QString database = args[0];
    const QString output = args[1];

    // Before the database is even read: an output that cannot be written is
    // told at once, and the database is never written over.
    try {
        spreadsheet::OutputTarget::of(output);
    } catch (const Failure &e) {
        Say(QString::fromUtf8(e.what()));
        return 1;
    }
    if (spreadsheet::IsSameFile(database, output)) {
        Say(QStringLiteral("出力先「%1」はデータベースそのものです。何も書き込みません。")
                .arg(output));
        return 1;
    }

    QStringList tables = args.mid(2);
    {
        // Released before the run, which reads the file through a
        // connection of its own.
        std::optional<Failure> why;
        const auto connection = mdlADO::OpenAccessConnection(services.readers, database, &why);
        if (!connection) {
            Say(QStringLiteral("データベース「%1」を開けません: %2")
                    .arg(database, why->reasonOrMessage()));
            return 2;
        }
        if (tables.isEmpty())
            tables = UserTables(connection);
    }

    auto presenter = std::make_shared<spreadsheet::FilePresenter>(output);
    int status = 0;
    try {
        clsOutputTableDesign generator(services.presentingTo(presenter));
        for (const QString &table : tables)
            generator.AddTable(table);
        generator.setConnectionString(mdlADO::BuildConnectionString(database));
        generator.setWriteDescriptions(descriptions);
        generator.setWriteDetails(details);
        generator.Make();
    } catch (const Failure &e) {
        Say(QString::fromUtf8(e.what()));
        status = 1;
    } catch (const std::exception &e) { // out of memory, say: the workbook so far is still written
        Say(ExceptionText(e));
        status = 1;
    }
    for (const Failure &failure : presenter->failures())
        Say(QString::fromUtf8(failure.what())); // with the system's reason
    return presenter->written().isEmpty() ? 1 : status;
}

} // namespace

int main(int argc, char *argv[]) {
    // For the whole process, as the program does: glibc keeps up to 4 MiB of
    // freed heap for reuse (mallopt); a workbook then takes about a tenth
    // less time to write.
    KeepFreedHeapForReuse();
    QCoreApplication app(argc, argv);
    UseLocaleFreeNumbers(); // Qt took the whole locale from the environment
    const Services services;
    // A draft with a name is removed also when the tool cannot end otherwise.
    return RunTool(
        Tool, *services.workers, argc, argv,
        [&services](QStringList args) { return Run(services, std::move(args)); },
        spreadsheet::RemoveNamedDrafts);
}
