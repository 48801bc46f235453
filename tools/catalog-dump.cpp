// quillmere-catalog-dump [--tables-only] DATABASE
//
// Opens an Access file the way the program does and prints its catalog as
// JSON: every entry with its name, type and times, and for each "TABLE"
// entry its columns (with their descriptions, where they have one) and keys.
// --tables-only leaves columns and keys out (the work of the table list).
// Exit status 2 when the database does not open, with the reason on standard
// error, 1 when a table's design cannot be read.

#include "ToolRun.h"
#include "common/Failure.h"
#include "common/LocaleFreeNumbers.h"
#include "database/Catalog.h"
#include "database/Readers.h"
#include "database/mdlADO.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// The JSON text of a string: written by hand, since the dump of a large
// catalog is timed against a peer that prints plain names.
void AppendString(QByteArray &out, const QString &text) {
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += QByteArray("\\u00") + QByteArray::number(u, 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendTable(QByteArray &out, const Table &table, bool withDesign) {
    out += "{\"name\":";
    AppendString(out, table.Name());
    out += ",\"type\":";
    AppendString(out, table.Type());
    out += ",\"dateCreated\":";
    AppendString(out, table.DateCreated().toText());
    out += ",\"dateModified\":";
    AppendString(out, table.DateModified().toText());
    if (withDesign) {
        out += ",\"columns\":[";
        bool first = true;
        for (const Column &c : table.Columns()) {
            out += first ? "{\"name\":" : ",{\"name\":";
            first = false;
            AppendString(out, c.Name());
            out += ",\"type\":" + QByteArray::number(c.Type()) +
                   ",\"definedSize\":" + QByteArray::number(c.DefinedSize());
            if (!c.Description().isEmpty()) {
                out += ",\"description\":";
                AppendString(out, c.Description());
            }
            out += '}';
        }
        out += "],\"keys\":[";
        first = true;
        for (const Key &k : table.Keys()) {
            out += first ? "{\"name\":" : ",{\"name\":";
            first = false;
            AppendString(out, k.Name());
            out += ",\"columns\":[";
            bool firstColumn = true;
            for (const KeyColumn &c : k.Columns()) {
                if (!firstColumn)
                    out += ',';
                firstColumn = false;
                AppendString(out, c.Name());
            }
            out += "]}";
        }
        out += ']';
    }
    out += '}';
}

constexpr char Tool[] = "quillmere-catalog-dump";
constexpr char Usage[] = "usage: quillmere-catalog-dump [--tables-only] DATABASE\n";
constexpr char Help[] =
    "usage: quillmere-catalog-dump [--tables-only] DATABASE\n"
    "\n"
    "Prints the catalog of an Access database as JSON, as Quillmere sees it:\n"
    "every entry with its name, type and times, and for every user table its\n"
    "columns (name, ADO type code, defined size) and keys.\n"
    "\n"
    "  --tables-only  leave columns and keys out\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "\n"
    "Exit status: 0 printed; 1 a table's design cannot be read; 2 the database\n"
    "does not open (the reason is on standard error); 64 wrong usage.\n";

void Say(const QString &text) {
    Say(Tool, text);
}

int Run(const std::shared_ptr<Readers> &readers, QStringList args) {
    if (const auto answered = AnswerHelpOrVersion(Tool, args, Help))
        return *answered;
    const bool tablesOnly = args.removeAll(QStringLiteral("--tables-only")) > 0;
    if (args.size() != 1 || args[0].startsWith(QStringLiteral("--"))) {
        std::fputs(Usage, stderr);
        return 64;
    }

    std::optional<Failure> why;
    const auto connection = mdlADO::OpenAccessConnection(readers, args[0], &why);
    if (!connection) {
        Say(QStringLiteral("データベース「%1」を開けません: %2")
                .arg(args[0], why->reasonOrMessage()));
        return 2;
    }
    try {
        Catalog catalog;
        catalog.setActiveConnection(connection);
        // Every entry, with the design of each user table. The user tables
        // stand among the entries in the same order: one pass meets them all.
        const std::vector<const Table *> userTables = catalog.UserTables();
        auto nextUserTable = userTables.cbegin();
        QByteArray out = "{\"tables\":[";
        bool first = true;
        for (const Table &t : catalog.Tables()) {
            const bool userTable = nextUserTable != userTables.cend() && *nextUserTable == &t;
            if (userTable)
                ++nextUserTable;
            if (!first)
                out += ',';
            first = false;
            AppendTable(out, t, !tablesOnly && userTable);
        }
        out += "]}\n";
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    } catch (const Failure &e) {
        Say(QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    UseLocaleFreeNumbers(); // Qt took the whole locale from the environment
    const auto workers = std::make_shared<Workers>();
    const auto readers = std::make_shared<Readers>(workers);
    return RunTool(Tool, *workers, argc, argv,
                   [&readers](QStringList args) { return Run(readers, std::move(args)); });
}
