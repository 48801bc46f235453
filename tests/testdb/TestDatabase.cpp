#include "testdb/TestDatabase.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

// Access's limits on what a table may hold.
constexpr int MaxNameLength = 64; // UTF-16 code units
constexpr int MaxColumns = 255;
constexpr int MaxKeyColumns = 10;
constexpr int MaxTextCharacters = 255;
constexpr int MaxBinaryBytes = 510;
constexpr int MaxDescriptionCharacters = 255; // UTF-16 code units
constexpr int MaxFixedRowBytes = 4000;        // a record's fixed part must fit on a page

// The tables every database of ours holds besides the described ones.
const QStringList SystemTableNames = {"MSysObjects", "MSysACEs", "MSysQueries",
                                      "MSysRelationships"};

const QStringList ColumnTypes = {"boolean", "byte",   "integer",  "long",   "currency",
                                 "single",  "double", "datetime", "binary", "text",
                                 "ole",     "memo",   "guid",     "decimal"};
const QStringList KeyKinds = {"primary", "foreign", "unique", "index"};

// Bytes a fixed-length column takes in a record (Jet 4).
int FixedBytes(const TestColumn &c) {
    static const QHash<QString, int> sizes = {{"byte", 1},     {"integer", 2}, {"long", 4},
                                              {"currency", 8}, {"single", 4},  {"double", 8},
                                              {"datetime", 8}, {"guid", 16},   {"decimal", 17}};
    if (c.type == "text")
        return c.fixed ? 2 * (c.size ? c.size : MaxTextCharacters) : 0;
    if (c.type == "binary")
        return c.fixed ? (c.size ? c.size : MaxBinaryBytes) : 0;
    return sizes.value(c.type, 0);
}

QString Quoted(const QString &s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString CheckName(const QString &name) {
    if (name.isEmpty())
        return QStringLiteral("a name cannot be empty");
    if (name.size() > MaxNameLength)
        return QStringLiteral("%1 is longer than %2 characters")
            .arg(Quoted(name))
            .arg(MaxNameLength);
    return {};
}

QString CheckColumn(const TestColumn &c) {
    if (!ColumnTypes.contains(c.type))
        return QStringLiteral(".type: unknown type %1").arg(Quoted(c.type));
    const bool sized = c.type == "text" || c.type == "binary";
    if (!sized && c.size != 0)
        return QStringLiteral(".size: only text and binary columns have a size");
    if (!sized && c.fixed)
        return QStringLiteral(".fixed: only text and binary columns can be of fixed length");
    const int limit = c.type == "text" ? MaxTextCharacters : MaxBinaryBytes;
    if (sized && (c.size < 0 || c.size > limit))
        return QStringLiteral(".size: %1 is not between 1 and %2").arg(c.size).arg(limit);
    if (c.description.size() > MaxDescriptionCharacters)
        return QStringLiteral(".description: longer than %1 characters")
            .arg(MaxDescriptionCharacters);
    return {};
}

QString CheckKey(const TestTable &table, const TestKey &key,
                 const QHash<QString, const TestTable *> &tables) {
    if (!KeyKinds.contains(key.kind))
        return QStringLiteral(".kind: unknown kind %1").arg(Quoted(key.kind));
    if (key.columns.isEmpty() || key.columns.size() > MaxKeyColumns)
        return QStringLiteral(".columns: a key has 1 to %1 columns").arg(MaxKeyColumns);
    const bool foreign = key.kind == "foreign";
    if (!foreign && (!key.referencedTable.isEmpty() || !key.referencedColumns.isEmpty()))
        return QStringLiteral(".references: only a foreign key references a table");

    const auto checkColumns = [](const TestTable &t, const QStringList &names,
                                 const QString &field) -> QString {
        for (int i = 0; i < names.size(); ++i) {
            const auto column =
                std::find_if(t.columns.begin(), t.columns.end(),
                             [&](const TestColumn &c) { return c.name == names[i]; });
            const QString at = QStringLiteral("%1[%2]: ").arg(field).arg(i);
            if (column == t.columns.end())
                return at + QStringLiteral("no column %1 in table %2")
                                .arg(Quoted(names[i]), Quoted(t.name));
            if (column->type == "memo" || column->type == "ole")
                return at + QStringLiteral("%1 columns cannot be indexed").arg(column->type);
            if (names.indexOf(names[i]) != i)
                return at + QStringLiteral("%1 appears twice").arg(Quoted(names[i]));
        }
        return {};
    };
    if (QString fault = checkColumns(table, key.columns, QStringLiteral(".columns"));
        !fault.isEmpty())
        return fault;
    if (!foreign)
        return {};

    const TestTable *referenced = &table;
    if (!key.referencedTable.isEmpty()) {
        referenced = tables.value(key.referencedTable);
        if (!referenced)
            return QStringLiteral(".references.table: no table %1")
                .arg(Quoted(key.referencedTable));
    }
    const QStringList referencedColumns =
        key.referencedColumns.isEmpty() ? key.columns : key.referencedColumns;
    if (referencedColumns.size() != key.columns.size())
        return QStringLiteral(".references.columns: %1 columns for a key of %2")
            .arg(referencedColumns.size())
            .arg(key.columns.size());
    return checkColumns(*referenced, referencedColumns, QStringLiteral(".references.columns"));
}

QString CheckTable(const TestTable &table, const QHash<QString, const TestTable *> &tables,
                   QSet<QString> &relationships) {
    if (QString fault = CheckName(table.name); !fault.isEmpty())
        return QStringLiteral(".name: ") + fault;
    if (table.columns.size() > MaxColumns)
        return QStringLiteral(".columns: more than %1 columns").arg(MaxColumns);

    QSet<QString> names;
    int fixedBytes = 0;
    for (int i = 0; i < table.columns.size(); ++i) {
        const TestColumn &c = table.columns[i];
        const QString at = QStringLiteral(".columns[%1]").arg(i);
        if (QString fault = CheckName(c.name); !fault.isEmpty())
            return at + QStringLiteral(".name: ") + fault;
        if (names.contains(c.name))
            return at + QStringLiteral(".name: %1 appears twice").arg(Quoted(c.name));
        names.insert(c.name);
        if (QString fault = CheckColumn(c); !fault.isEmpty())
            return at + fault;
        fixedBytes += FixedBytes(c);
    }
    if (fixedBytes > MaxFixedRowBytes)
        return QStringLiteral(".columns: the fixed-length columns take %1 bytes, more than %2")
            .arg(fixedBytes)
            .arg(MaxFixedRowBytes);

    QSet<QString> keyNames;
    bool primary = false;
    for (int i = 0; i < table.keys.size(); ++i) {
        const TestKey &k = table.keys[i];
        const QString at = QStringLiteral(".keys[%1]").arg(i);
        if (QString fault = CheckName(k.name); !fault.isEmpty())
            return at + QStringLiteral(".name: ") + fault;
        if (keyNames.contains(k.name))
            return at + QStringLiteral(".name: %1 appears twice").arg(Quoted(k.name));
        keyNames.insert(k.name);
        if (QString fault = CheckKey(table, k, tables); !fault.isEmpty())
            return at + fault;
        if (k.kind == "primary" && std::exchange(primary, true))
            return at + QStringLiteral(".kind: a table has one primary key at most");
        // A relationship is an object of the database: its name is unique there.
        if (k.kind == "foreign") {
            if (relationships.contains(k.name))
                return at +
                       QStringLiteral(".name: another foreign key is named %1").arg(Quoted(k.name));
            relationships.insert(k.name);
        }
    }
    return {};
}

// ---- JSON ----

class JsonReader {
public:
    QString error;

    bool fail(const QString &path, const QString &what) {
        if (error.isEmpty())
            error = path + QStringLiteral(": ") + what;
        return false;
    }

    bool onlyFields(const QJsonObject &o, const QString &path, const QStringList &known) {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!known.contains(it.key()))
                return fail(path + QLatin1Char('.') + it.key(), QStringLiteral("unknown field"));
        return true;
    }

    bool object(const QJsonValue &v, const QString &path, QJsonObject &out) {
        if (!v.isObject())
            return fail(path, QStringLiteral("expected an object"));
        out = v.toObject();
        return true;
    }

    bool text(const QJsonObject &o, const QString &path, const QString &field, QString &out,
              bool required) {
        const QJsonValue v = o.value(field);
        if (v.isUndefined())
            return !required || fail(path + QLatin1Char('.') + field, QStringLiteral("missing"));
        if (!v.isString())
            return fail(path + QLatin1Char('.') + field, QStringLiteral("expected a string"));
        out = v.toString();
        return true;
    }

    bool flag(const QJsonObject &o, const QString &path, const QString &field, bool &out) {
        const QJsonValue v = o.value(field);
        if (v.isUndefined())
            return true;
        if (!v.isBool())
            return fail(path + QLatin1Char('.') + field, QStringLiteral("expected true or false"));
        out = v.toBool();
        return true;
    }

    bool number(const QJsonObject &o, const QString &path, const QString &field, int &out) {
        const QJsonValue v = o.value(field);
        if (v.isUndefined())
            return true;
        const double d = v.toDouble();
        if (!v.isDouble() || d < -1e9 || d > 1e9 || d != static_cast<int>(d))
            return fail(path + QLatin1Char('.') + field, QStringLiteral("expected a whole number"));
        out = static_cast<int>(d);
        return true;
    }

    bool texts(const QJsonValue &v, const QString &path, QStringList &out) {
        if (v.isUndefined())
            return true;
        if (!v.isArray())
            return fail(path, QStringLiteral("expected an array of strings"));
        const QJsonArray a = v.toArray();
        for (int i = 0; i < a.size(); ++i) {
            if (!a[i].isString())
                return fail(QStringLiteral("%1[%2]").arg(path).arg(i),
                            QStringLiteral("expected a string"));
            out << a[i].toString();
        }
        return true;
    }

    bool time(const QJsonObject &o, const QString &path, const QString &field, QDateTime &out) {
        QString value;
        if (!text(o, path, field, value, false))
            return false;
        if (value.isEmpty() && !o.contains(field))
            return true;
        const QString date = value.section(QLatin1Char(' '), 0, 0);
        const QString clock = value.section(QLatin1Char(' '), 1);
        const QDate d = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
        QTime t = QTime::fromString(clock, QStringLiteral("HH:mm:ss"));
        if (!t.isValid())
            t = QTime::fromString(clock, QStringLiteral("HH:mm:ss.zzz"));
        if (!d.isValid() || !t.isValid() || date.size() != 10)
            return fail(
                path + QLatin1Char('.') + field,
                QStringLiteral("%1 is not a time as yyyy-MM-dd HH:mm:ss[.zzz]").arg(Quoted(value)));
        out = QDateTime(d, t, Qt::UTC);
        return true;
    }

    bool column(const QJsonValue &v, const QString &path, TestColumn &c) {
        QJsonObject o;
        return object(v, path, o) &&
               onlyFields(o, path, {"name", "type", "size", "fixed", "description"}) &&
               text(o, path, "name", c.name, true) && text(o, path, "type", c.type, true) &&
               number(o, path, "size", c.size) && flag(o, path, "fixed", c.fixed) &&
               text(o, path, "description", c.description, false);
    }

    bool key(const QJsonValue &v, const QString &path, TestKey &k) {
        QJsonObject o;
        if (!object(v, path, o) ||
            !onlyFields(o, path, {"name", "kind", "columns", "references"}) ||
            !text(o, path, "name", k.name, true) || !text(o, path, "kind", k.kind, true))
            return false;
        if (!o.contains("columns"))
            return fail(path + QStringLiteral(".columns"), QStringLiteral("missing"));
        if (!texts(o.value("columns"), path + QStringLiteral(".columns"), k.columns))
            return false;
        if (!o.contains("references"))
            return true;
        const QString at = path + QStringLiteral(".references");
        QJsonObject r;
        return object(o.value("references"), at, r) && onlyFields(r, at, {"table", "columns"}) &&
               text(r, at, "table", k.referencedTable, false) &&
               texts(r.value("columns"), at + QStringLiteral(".columns"), k.referencedColumns);
    }

    bool table(const QJsonValue &v, const QString &path, TestTable &t) {
        QJsonObject o;
        if (!object(v, path, o) ||
            !onlyFields(o, path,
                        {"name", "created", "modified", "hidden", "system", "columns", "keys"}) ||
            !text(o, path, "name", t.name, true) || !time(o, path, "created", t.created) ||
            !time(o, path, "modified", t.modified) || !flag(o, path, "hidden", t.hidden) ||
            !flag(o, path, "system", t.system))
            return false;
        return list(o.value("columns"), path + QStringLiteral(".columns"), t.columns,
                    &JsonReader::column) &&
               list(o.value("keys"), path + QStringLiteral(".keys"), t.keys, &JsonReader::key);
    }

    template <typename T>
    bool list(const QJsonValue &v, const QString &path, QList<T> &out,
              bool (JsonReader::*item)(const QJsonValue &, const QString &, T &)) {
        if (v.isUndefined())
            return true;
        if (!v.isArray())
            return fail(path, QStringLiteral("expected an array"));
        const QJsonArray a = v.toArray();
        for (int i = 0; i < a.size(); ++i) {
            T value;
            if (!(this->*item)(a[i], QStringLiteral("%1[%2]").arg(path).arg(i), value))
                return false;
            out << value;
        }
        return true;
    }
};

} // namespace

QDateTime DefaultTestTime() {
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
}

QString CheckTestDatabase(const TestDatabase &database) {
    QHash<QString, const TestTable *> tables;
    QHash<QString, QString> objects; // name → path of the object of that name
    for (const QString &name : SystemTableNames)
        objects.insert(name, QStringLiteral("a system table"));

    const auto claim = [&](const QString &name, const QString &path) -> QString {
        if (QString fault = CheckName(name); !fault.isEmpty())
            return path + QStringLiteral(": ") + fault;
        if (objects.contains(name))
            return path + QStringLiteral(": %1 is also the name of %2")
                              .arg(Quoted(name), objects.value(name));
        objects.insert(name, path);
        return {};
    };
    for (int i = 0; i < database.tables.size(); ++i) {
        const QString at = QStringLiteral("tables[%1].name").arg(i);
        if (QString fault = claim(database.tables[i].name, at); !fault.isEmpty())
            return fault;
        tables.insert(database.tables[i].name, &database.tables[i]);
    }
    for (int i = 0; i < database.queries.size(); ++i)
        if (QString fault = claim(database.queries[i], QStringLiteral("queries[%1]").arg(i));
            !fault.isEmpty())
            return fault;
    for (int i = 0; i < database.links.size(); ++i)
        if (QString fault = claim(database.links[i], QStringLiteral("links[%1]").arg(i));
            !fault.isEmpty())
            return fault;

    QSet<QString> relationships;
    for (int i = 0; i < database.tables.size(); ++i)
        if (QString fault = CheckTable(database.tables[i], tables, relationships); !fault.isEmpty())
            return QStringLiteral("tables[%1]").arg(i) + fault;
    return {};
}

std::optional<TestDatabase> ParseTestDatabase(const QByteArray &json, QString *error) {
    const auto failed = [&](const QString &why) -> std::optional<TestDatabase> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(QStringLiteral("not JSON at offset %1: %2")
                          .arg(parseError.offset)
                          .arg(parseError.errorString()));
    if (!document.isObject())
        return failed(QStringLiteral("the description is not a JSON object"));

    JsonReader reader;
    TestDatabase database;
    const QJsonObject o = document.object();
    if (!reader.onlyFields(o, QString(), {"tables", "queries", "links"}) ||
        !reader.list(o.value("tables"), QStringLiteral("tables"), database.tables,
                     &JsonReader::table) ||
        !reader.texts(o.value("queries"), QStringLiteral("queries"), database.queries) ||
        !reader.texts(o.value("links"), QStringLiteral("links"), database.links))
        return failed(reader.error.startsWith(QLatin1Char('.')) ? reader.error.mid(1)
                                                                : reader.error);
    if (QString fault = CheckTestDatabase(database); !fault.isEmpty())
        return failed(fault);
    return database;
}
