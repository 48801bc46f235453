// quillmere-catalog-dump [--tables-only] DATABASE
//
// Opens an Access file the way the program does and prints its catalog as
// JSON: every entry with its name, type and times, and for each "TABLE"
// entry its columns (with their descriptions, where they have one) and keys,
// and after those what else the file keeps about the table (the keys the
// help text lists; other programs rely on their names and order).
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

void AppendBoolean(QByteArray &out, const char *key, bool truth) {
    out += QByteArray(",\"") + key + "\":" + (truth ? "true" : "false");
}

void AppendTexts(QByteArray &out, const QStringList &texts) {
    out += '[';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendString(out, texts[i]);
    }
    out += ']';
}

// The shortest text that reads back as the same double: JSON's number.
QByteArray NumberText(double number) {
    return QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

// An object of the properties in stored order, each value by its kind.
void AppendProperties(QByteArray &out, const PropertyCollection &properties) {
    out += ",\"properties\":{";
    bool first = true;
    for (const Property &p : properties) {
        if (!first)
            out += ',';
        first = false;
        AppendString(out, p.Name());
        out += ':';
        switch (p.Value().kind()) {
        case PropertyValue::Kind::Text:
            AppendString(out, p.Value().Text());
            break;
        case PropertyValue::Kind::Boolean:
            out += p.Value().Boolean() ? "true" : "false";
            break;
        case PropertyValue::Kind::Number:
            out += NumberText(p.Value().Number());
            break;
        }
    }
    out += '}';
}

// What a column's traits add to its entry, after the keys it had before.
void AppendColumnTraits(QByteArray &out, const Column &c) {
    AppendProperties(out, c.Properties());
    using Traits = ColumnTraits;
    if (c.AutoNumber() == Traits::AutoNumber::Increment)
        out += ",\"autoNumber\":\"increment\"";
    else if (c.AutoNumber() == Traits::AutoNumber::ReplicationId)
        out += ",\"autoNumber\":\"replicationId\"";
    if (c.IsHyperlink())
        out += ",\"hyperlink\":true";
    if (c.Complex() == Traits::Complex::Attachment)
        out += ",\"complex\":\"attachment\"";
    else if (c.Complex() == Traits::Complex::MultiValued)
        out += ",\"complex\":\"multiValued\"";
    else if (c.Complex() == Traits::Complex::Other)
        out += ",\"complex\":\"other\"";
    if (c.Precision())
        out += ",\"precision\":" + QByteArray::number(*c.Precision());
    if (c.Scale())
        out += ",\"scale\":" + QByteArray::number(*c.Scale());
}

// What the file keeps about a table beside its columns and keys.
void AppendTableFacts(QByteArray &out, const Table &table) {
    const std::pair<const char *, QString> texts[] = {{"description", table.Description()},
                                                      {"validationRule", table.ValidationRule()},
                                                      {"validationText", table.ValidationText()}};
    for (const auto &[key, text] : texts)
        if (!text.isEmpty()) {
            out += QByteArray(",\"") + key + "\":";
            AppendString(out, text);
        }
    out += ",\"recordCount\":" + QByteArray::number(table.RecordCount());
    out += ",\"indexes\":[";
    bool first = true;
    for (const Index &index : table.Indexes()) {
        out += first ? "{\"name\":" : ",{\"name\":";
        first = false;
        AppendString(out, index.Name());
        out += ",\"columns\":[";
        bool firstColumn = true;
        for (const IndexColumn &c : index.Columns()) {
            out += firstColumn ? "{\"name\":" : ",{\"name\":";
            firstColumn = false;
            AppendString(out, c.Name());
            AppendBoolean(out, "descending", c.Descending());
            out += '}';
        }
        out += ']';
        AppendBoolean(out, "primary", index.Primary());
        AppendBoolean(out, "unique", index.Unique());
        AppendBoolean(out, "ignoreNulls", index.IgnoreNulls());
        AppendBoolean(out, "required", index.Required());
        AppendBoolean(out, "foreignKey", index.ForeignKey());
        out += '}';
    }
    out += "],\"relationships\":[";
    first = true;
    for (const Relationship &r : table.Relationships()) {
        out += first ? "{\"name\":" : ",{\"name\":";
        first = false;
        AppendString(out, r.Name());
        out += ",\"primaryTable\":";
        AppendString(out, r.PrimaryTable());
        out += ",\"primaryColumns\":";
        AppendTexts(out, r.PrimaryColumns());
        out += ",\"relatedTable\":";
        AppendString(out, r.RelatedTable());
        out += ",\"relatedColumns\":";
        AppendTexts(out, r.RelatedColumns());
        AppendBoolean(out, "oneToOne", r.OneToOne());
        AppendBoolean(out, "enforced", r.Enforced());
        AppendBoolean(out, "cascadeUpdates", r.CascadeUpdates());
        AppendBoolean(out, "cascadeDeletes", r.CascadeDeletes());
        AppendBoolean(out, "cascadeNull", r.CascadeNull());
        using Join = Relationship::Join;
        out += r.JoinType() == Join::Left    ? ",\"join\":\"left\"}"
               : r.JoinType() == Join::Right ? ",\"join\":\"right\"}"
                                             : ",\"join\":\"inner\"}";
    }
    out += ']';
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
            AppendColumnTraits(out, c);
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
        AppendTableFacts(out, table);
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
    "After its keys, each user table has, in this order:\n"
    "  \"description\", \"validationRule\", \"validationText\"  texts, only when set\n"
    "  \"recordCount\"    the record count of its definition\n"
    "  \"indexes\"        every index: {\"name\", \"columns\": [{\"name\", \"descending\"}],\n"
    "                   \"primary\", \"unique\", \"ignoreNulls\", \"required\",\n"
    "                   \"foreignKey\"} (foreignKey: the index behind a relationship)\n"
    "  \"relationships\"  every relationship it is on either side of: {\"name\",\n"
    "                   \"primaryTable\", \"primaryColumns\", \"relatedTable\",\n"
    "                   \"relatedColumns\", \"oneToOne\", \"enforced\", \"cascadeUpdates\",\n"
    "                   \"cascadeDeletes\", \"cascadeNull\",\n"
    "                   \"join\": \"inner\"|\"left\"|\"right\"}\n"
    "and each of its columns, after the keys above:\n"
    "  \"properties\"     an object: each property's name as stored, its value a\n"
    "                   string, boolean or number by the type it is stored with\n"
    "  \"autoNumber\"     \"increment\" or \"replicationId\", only for an AutoNumber\n"
    "  \"hyperlink\"      true, only for a hyperlink\n"
    "  \"complex\"        \"attachment\", \"multiValued\" or \"other\", only when complex\n"
    "  \"precision\", \"scale\"  decimal columns only\n"
    "Indexes, relationships and properties are in the file's order. A damaged\n"
    "property list gives no properties and a damaged index definition no indexes;\n"
    "the table still reads.\n"
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
