#include "testdb/TestDatabase.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cctype>
#include <cfloat>
#include <cmath>

namespace {

// Access's limits on what a table may hold.
constexpr int MaxNameLength = 64; // UTF-16 code units
constexpr int MaxColumns = 255;
constexpr int MaxKeyColumns = 10;
constexpr int MaxTextCharacters = 255;
constexpr int MaxBinaryBytes = 510;
constexpr int MaxDescriptionCharacters = 255; // UTF-16 code units
constexpr int MaxFixedRowBytes = 4000;        // a record's fixed part must fit on a page
constexpr int MaxPropertyBytes = 0xFFFF - 8;  // a value's length and its entry's are 16 bits
constexpr int MaxDecimalPrecision = 28;

// The tables every database of ours holds besides the described ones.
const QStringList SystemTableNames = {"MSysObjects", "MSysACEs", "MSysQueries",
                                      "MSysRelationships"};

const QStringList ColumnTypes = {"boolean", "byte",   "integer",  "long",   "currency",
                                 "single",  "double", "datetime", "binary", "text",
                                 "ole",     "memo",   "guid",     "decimal"};
const QStringList KeyKinds = {"primary", "foreign", "unique", "index"};
const QStringList PropertyTypes = {"boolean", "byte",     "integer", "long", "single",
                                   "double",  "datetime", "binary",  "text", "memo"};
const QStringList Joins = {"inner", "left", "right"};

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

// A property of a table or column; reserved names are those the
// description has a field of its own for.
QString CheckProperty(const TestProperty &p) {
    if (QString fault = CheckName(p.name); !fault.isEmpty())
        return QStringLiteral(": ") + fault;
    if (!PropertyTypes.contains(p.type))
        return QStringLiteral(": unknown type %1").arg(Quoted(p.type));
    static const QList<int> numbers = {QMetaType::Int,       QMetaType::UInt,   QMetaType::LongLong,
                                       QMetaType::ULongLong, QMetaType::Double, QMetaType::Float};
    const bool number = numbers.contains(p.value.typeId());
    const auto whole = [&](double low, double high) -> QString {
        const double v = p.value.toDouble();
        if (!number || v != std::floor(v) || v < low || v > high)
            return QStringLiteral(": a %1 is a whole number from %2 to %3")
                .arg(p.type)
                .arg(low, 0, 'f', 0)
                .arg(high, 0, 'f', 0);
        return {};
    };
    const auto finite = [&](double limit) -> QString {
        if (!number || !std::isfinite(p.value.toDouble()) || std::fabs(p.value.toDouble()) > limit)
            return QStringLiteral(": not a value a %1 holds").arg(p.type);
        return {};
    };
    if (p.type == "boolean")
        return p.value.typeId() == QMetaType::Bool ? QString()
                                                   : QStringLiteral(": expected true or false");
    if (p.type == "byte")
        return whole(0, 255);
    if (p.type == "integer")
        return whole(-32768, 32767);
    if (p.type == "long")
        return whole(-2147483648.0, 2147483647.0);
    if (p.type == "single")
        return finite(FLT_MAX);
    if (p.type == "double")
        return finite(DBL_MAX);
    if (p.type == "datetime")
        return p.value.typeId() == QMetaType::QDateTime && p.value.toDateTime().isValid()
                   ? QString()
                   : QStringLiteral(": expected a time");
    const bool binary = p.type == "binary";
    if (p.value.typeId() != (binary ? QMetaType::QByteArray : QMetaType::QString))
        return binary ? QStringLiteral(": expected bytes") : QStringLiteral(": expected a text");
    const qsizetype bytes = binary ? p.value.toByteArray().size() : 2 * p.value.toString().size();
    if (bytes > MaxPropertyBytes)
        return QStringLiteral(": longer than %1 bytes").arg(MaxPropertyBytes);
    return {};
}

QString CheckProperties(const QList<TestProperty> &properties, const QStringList &reserved) {
    QSet<QString> names;
    for (int i = 0; i < properties.size(); ++i) {
        const TestProperty &p = properties[i];
        const QString at = QStringLiteral(".properties.") + p.name;
        // Access finds a property by its name in any case.
        const QString folded = p.name.toCaseFolded();
        if (std::any_of(reserved.begin(), reserved.end(),
                        [&](const QString &r) { return r.toCaseFolded() == folded; }))
            return at + QStringLiteral(": given by a field of its own");
        if (names.contains(folded))
            return at + QStringLiteral(": appears twice");
        names.insert(folded);
        if (QString fault = CheckProperty(p); !fault.isEmpty())
            return at + fault;
    }
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
    if (c.autoNumber && c.type != "long" && c.type != "guid")
        return QStringLiteral(".autoNumber: only long and guid columns number themselves");
    if (c.hyperlink && c.type != "memo")
        return QStringLiteral(".hyperlink: only memo columns hold hyperlinks");
    if (c.type != "decimal" && (c.precision != 0 || c.scale != 0))
        return QStringLiteral(".%1: only decimal columns have a precision and a scale")
            .arg(c.precision != 0 ? "precision" : "scale");
    const int precision = c.precision ? c.precision : 18;
    if (c.precision < 0 || c.precision > MaxDecimalPrecision)
        return QStringLiteral(".precision: %1 is not between 1 and %2")
            .arg(c.precision)
            .arg(MaxDecimalPrecision);
    if (c.scale < 0 || c.scale > precision)
        return QStringLiteral(".scale: %1 is not between 0 and the precision %2")
            .arg(c.scale)
            .arg(precision);
    return CheckProperties(c.properties, {QStringLiteral("Description")});
}

// Columns of a key or relationship in table t, named by the field at path field.
QString CheckKeyColumns(const TestTable &t, const QStringList &names, const QString &field) {
    for (int i = 0; i < names.size(); ++i) {
        const auto column = std::find_if(t.columns.begin(), t.columns.end(),
                                         [&](const TestColumn &c) { return c.name == names[i]; });
        const QString at = QStringLiteral("%1[%2]: ").arg(field).arg(i);
        if (column == t.columns.end())
            return at +
                   QStringLiteral("no column %1 in table %2").arg(Quoted(names[i]), Quoted(t.name));
        if (column->type == "memo" || column->type == "ole")
            return at + QStringLiteral("%1 columns cannot be indexed").arg(column->type);
        if (names.indexOf(names[i]) != i)
            return at + QStringLiteral("%1 appears twice").arg(Quoted(names[i]));
    }
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
    if (QString fault = CheckKeyColumns(table, key.columns, QStringLiteral(".columns"));
        !fault.isEmpty())
        return fault;
    for (int i = 0; i < key.descending.size(); ++i) {
        const QString at = QStringLiteral(".descending[%1]: ").arg(i);
        if (foreign)
            return at + QStringLiteral("a foreign key sorts as the index it shares");
        if (!key.columns.contains(key.descending[i]))
            return at +
                   QStringLiteral("%1 is not a column of the key").arg(Quoted(key.descending[i]));
        if (key.descending.indexOf(key.descending[i]) != i)
            return at + QStringLiteral("%1 appears twice").arg(Quoted(key.descending[i]));
    }
    if (key.ignoreNulls && (foreign || key.kind == "primary"))
        return QStringLiteral(".ignoreNulls: a %1 key has an entry for every record").arg(key.kind);
    if (key.required && foreign)
        return QStringLiteral(".required: a foreign key takes the flags of the index it shares");
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
    return CheckKeyColumns(*referenced, referencedColumns, QStringLiteral(".references.columns"));
}

QString CheckTable(const TestTable &table, const QHash<QString, const TestTable *> &tables,
                   QSet<QString> &relationships) {
    if (QString fault = CheckName(table.name); !fault.isEmpty())
        return QStringLiteral(".name: ") + fault;
    if (table.description.size() > MaxDescriptionCharacters)
        return QStringLiteral(".description: longer than %1 characters")
            .arg(MaxDescriptionCharacters);
    for (const auto &[field, text] : {std::pair{"validationRule", &table.validationRule},
                                      std::pair{"validationText", &table.validationText}})
        if (2 * text->size() > MaxPropertyBytes)
            return QStringLiteral(".%1: longer than %2 bytes").arg(field).arg(MaxPropertyBytes);
    if (QString fault =
            CheckProperties(table.properties, {"Description", "ValidationRule", "ValidationText"});
        !fault.isEmpty())
        return fault;
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

QString CheckRelationship(const TestRelationship &r,
                          const QHash<QString, const TestTable *> &tables,
                          QSet<QString> &relationships) {
    if (QString fault = CheckName(r.name); !fault.isEmpty())
        return QStringLiteral(".name: ") + fault;
    // Access names hold no period; the indexes named ".rA", ".rB", … that
    // enforced relationships give their primary tables never clash with one.
    if (r.name.contains(QLatin1Char('.')))
        return QStringLiteral(".name: %1 holds a period").arg(Quoted(r.name));
    if (relationships.contains(r.name))
        return QStringLiteral(".name: another relationship or foreign key is named %1")
            .arg(Quoted(r.name));
    relationships.insert(r.name);
    const TestTable *primary = tables.value(r.primaryTable);
    if (!primary)
        return QStringLiteral(".primaryTable: no table %1").arg(Quoted(r.primaryTable));
    const TestTable *related = tables.value(r.relatedTable);
    if (!related)
        return QStringLiteral(".relatedTable: no table %1").arg(Quoted(r.relatedTable));
    if (r.primaryColumns.isEmpty() || r.primaryColumns.size() > MaxKeyColumns)
        return QStringLiteral(".primaryColumns: a relationship has 1 to %1 columns")
            .arg(MaxKeyColumns);
    if (QString fault = CheckKeyColumns(*primary, r.primaryColumns, ".primaryColumns");
        !fault.isEmpty())
        return fault;
    const QStringList relatedColumns =
        r.relatedColumns.isEmpty() ? r.primaryColumns : r.relatedColumns;
    if (relatedColumns.size() != r.primaryColumns.size())
        return QStringLiteral(".relatedColumns: %1 columns for %2 primary columns")
            .arg(relatedColumns.size())
            .arg(r.primaryColumns.size());
    if (QString fault = CheckKeyColumns(*related, relatedColumns, ".relatedColumns");
        !fault.isEmpty())
        return fault;
    if (!Joins.contains(r.join))
        return QStringLiteral(".join: unknown join %1").arg(Quoted(r.join));
    if (r.cascadeNull)
        return QStringLiteral(".cascadeNull: how a file keeps a cascade to null is not known here");
    if (!r.enforced && (r.cascadeUpdates || r.cascadeDeletes))
        return QStringLiteral(".%1: only an enforced relationship cascades")
            .arg(r.cascadeUpdates ? "cascadeUpdates" : "cascadeDeletes");
    if (r.enforced && std::any_of(related->keys.begin(), related->keys.end(),
                                  [&](const TestKey &k) { return k.name == r.name; }))
        return QStringLiteral(".name: the foreign-key index it gives table %1 takes the name of "
                              "a key there")
            .arg(Quoted(related->name));
    return {};
}

// ---- JSON ----

// The type Access stores a property of that name in, or, for a property
// Access does not keep itself, the type that fits the value.
QString DefaultPropertyType(const QString &name, const QJsonValue &value) {
    static const QHash<QString, QString> known = {{"Required", "boolean"},
                                                  {"AllowZeroLength", "boolean"},
                                                  {"UnicodeCompression", "boolean"},
                                                  {"ColumnHidden", "boolean"},
                                                  {"DecimalPlaces", "byte"},
                                                  {"IMEMode", "byte"},
                                                  {"IMESentenceMode", "byte"},
                                                  {"DisplayControl", "integer"},
                                                  {"ColumnWidth", "integer"},
                                                  {"ColumnOrder", "integer"},
                                                  {"DefaultValue", "memo"},
                                                  {"ValidationRule", "memo"},
                                                  {"Caption", "memo"},
                                                  {"RowSource", "memo"},
                                                  {"ValidationText", "text"},
                                                  {"Format", "text"},
                                                  {"InputMask", "text"},
                                                  {"RowSourceType", "text"}};
    if (const auto it = known.constFind(name); it != known.cend())
        return *it;
    if (value.isBool())
        return QStringLiteral("boolean");
    if (value.isDouble())
        return value.toDouble() == std::floor(value.toDouble()) &&
                       std::fabs(value.toDouble()) <= 2147483647.0
                   ? QStringLiteral("long")
                   : QStringLiteral("double");
    return QStringLiteral("text");
}

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
        return timeText(value, path + QLatin1Char('.') + field, out);
    }

    // A time as "yyyy-MM-dd HH:mm:ss[.zzz]", wall-clock.
    bool timeText(const QString &value, const QString &path, QDateTime &out) {
        const QString date = value.section(QLatin1Char(' '), 0, 0);
        const QString clock = value.section(QLatin1Char(' '), 1);
        const QDate d = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
        QTime t = QTime::fromString(clock, QStringLiteral("HH:mm:ss"));
        if (!t.isValid())
            t = QTime::fromString(clock, QStringLiteral("HH:mm:ss.zzz"));
        if (!d.isValid() || !t.isValid() || date.size() != 10)
            return fail(
                path,
                QStringLiteral("%1 is not a time as yyyy-MM-dd HH:mm:ss[.zzz]").arg(Quoted(value)));
        out = QDateTime(d, t, Qt::UTC);
        return true;
    }

    bool property(const QString &name, const QJsonValue &given, const QString &path,
                  TestProperty &p) {
        p.name = name;
        QJsonValue value = given;
        if (given.isObject()) {
            const QJsonObject o = given.toObject();
            if (!onlyFields(o, path, {"type", "value"}) || !text(o, path, "type", p.type, true))
                return false;
            if (!o.contains("value"))
                return fail(path + QStringLiteral(".value"), QStringLiteral("missing"));
            value = o.value("value");
        } else {
            p.type = DefaultPropertyType(name, given);
        }
        const QString at = given.isObject() ? path + QStringLiteral(".value") : path;
        if (!PropertyTypes.contains(p.type))
            return fail(path + (given.isObject() ? QStringLiteral(".type") : QString()),
                        QStringLiteral("unknown type %1").arg(Quoted(p.type)));
        if (p.type == "boolean") {
            if (!value.isBool())
                return fail(at, QStringLiteral("expected true or false"));
            p.value = value.toBool();
        } else if (p.type == "datetime") {
            QDateTime t;
            if (!value.isString())
                return fail(at, QStringLiteral("expected a time as yyyy-MM-dd HH:mm:ss[.zzz]"));
            if (!timeText(value.toString(), at, t))
                return false;
            p.value = t;
        } else if (p.type == "binary") {
            const QByteArray hex = value.toString().toLatin1();
            if (!value.isString() || hex.size() % 2 ||
                !std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(c); }))
                return fail(at, QStringLiteral("expected bytes in hexadecimal digits"));
            p.value = QByteArray::fromHex(hex);
        } else if (p.type == "text" || p.type == "memo") {
            if (!value.isString())
                return fail(at, QStringLiteral("expected a string"));
            p.value = value.toString();
        } else {
            if (!value.isDouble())
                return fail(at, QStringLiteral("expected a number"));
            p.value = value.toDouble();
        }
        return true;
    }

    bool properties(const QJsonObject &o, const QString &path, QList<TestProperty> &out) {
        const QJsonValue v = o.value("properties");
        if (v.isUndefined())
            return true;
        const QString at = path + QStringLiteral(".properties");
        if (!v.isObject())
            return fail(at, QStringLiteral("expected an object"));
        const QJsonObject list = v.toObject();
        for (auto it = list.begin(); it != list.end(); ++it) {
            TestProperty p;
            if (!property(it.key(), it.value(), at + QLatin1Char('.') + it.key(), p))
                return false;
            out << p;
        }
        return true;
    }

    bool column(const QJsonValue &v, const QString &path, TestColumn &c) {
        QJsonObject o;
        return object(v, path, o) &&
               onlyFields(o, path,
                          {"name", "type", "size", "fixed", "description", "properties",
                           "autoNumber", "hyperlink", "precision", "scale"}) &&
               text(o, path, "name", c.name, true) && text(o, path, "type", c.type, true) &&
               number(o, path, "size", c.size) && flag(o, path, "fixed", c.fixed) &&
               text(o, path, "description", c.description, false) &&
               properties(o, path, c.properties) && flag(o, path, "autoNumber", c.autoNumber) &&
               flag(o, path, "hyperlink", c.hyperlink) &&
               number(o, path, "precision", c.precision) && number(o, path, "scale", c.scale);
    }

    bool key(const QJsonValue &v, const QString &path, TestKey &k) {
        QJsonObject o;
        if (!object(v, path, o) ||
            !onlyFields(o, path,
                        {"name", "kind", "columns", "references", "descending", "ignoreNulls",
                         "required"}) ||
            !text(o, path, "name", k.name, true) || !text(o, path, "kind", k.kind, true) ||
            !texts(o.value("descending"), path + QStringLiteral(".descending"), k.descending) ||
            !flag(o, path, "ignoreNulls", k.ignoreNulls) || !flag(o, path, "required", k.required))
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
                        {"name", "created", "modified", "hidden", "system", "columns", "keys",
                         "description", "validationRule", "validationText", "properties"}) ||
            !text(o, path, "name", t.name, true) || !time(o, path, "created", t.created) ||
            !time(o, path, "modified", t.modified) || !flag(o, path, "hidden", t.hidden) ||
            !flag(o, path, "system", t.system) ||
            !text(o, path, "description", t.description, false) ||
            !text(o, path, "validationRule", t.validationRule, false) ||
            !text(o, path, "validationText", t.validationText, false) ||
            !properties(o, path, t.properties))
            return false;
        return list(o.value("columns"), path + QStringLiteral(".columns"), t.columns,
                    &JsonReader::column) &&
               list(o.value("keys"), path + QStringLiteral(".keys"), t.keys, &JsonReader::key);
    }

    bool relationship(const QJsonValue &v, const QString &path, TestRelationship &r) {
        QJsonObject o;
        if (!object(v, path, o) ||
            !onlyFields(o, path,
                        {"name", "primaryTable", "primaryColumns", "relatedTable", "relatedColumns",
                         "oneToOne", "enforced", "cascadeUpdates", "cascadeDeletes", "cascadeNull",
                         "join"}) ||
            !text(o, path, "name", r.name, true) ||
            !text(o, path, "primaryTable", r.primaryTable, true) ||
            !text(o, path, "relatedTable", r.relatedTable, true))
            return false;
        if (!o.contains("primaryColumns"))
            return fail(path + QStringLiteral(".primaryColumns"), QStringLiteral("missing"));
        return texts(o.value("primaryColumns"), path + QStringLiteral(".primaryColumns"),
                     r.primaryColumns) &&
               texts(o.value("relatedColumns"), path + QStringLiteral(".relatedColumns"),
                     r.relatedColumns) &&
               flag(o, path, "oneToOne", r.oneToOne) && flag(o, path, "enforced", r.enforced) &&
               flag(o, path, "cascadeUpdates", r.cascadeUpdates) &&
               flag(o, path, "cascadeDeletes", r.cascadeDeletes) &&
               flag(o, path, "cascadeNull", r.cascadeNull) && text(o, path, "join", r.join, false);
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
    for (int i = 0; i < database.relationships.size(); ++i)
        if (QString fault = CheckRelationship(database.relationships[i], tables, relationships);
            !fault.isEmpty())
            return QStringLiteral("relationships[%1]").arg(i) + fault;
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
    if (!reader.onlyFields(o, QString(), {"tables", "queries", "links", "relationships"}) ||
        !reader.list(o.value("tables"), QStringLiteral("tables"), database.tables,
                     &JsonReader::table) ||
        !reader.texts(o.value("queries"), QStringLiteral("queries"), database.queries) ||
        !reader.texts(o.value("links"), QStringLiteral("links"), database.links) ||
        !reader.list(o.value("relationships"), QStringLiteral("relationships"),
                     database.relationships, &JsonReader::relationship))
        return failed(reader.error.startsWith(QLatin1Char('.')) ? reader.error.mid(1)
                                                                : reader.error);
    if (QString fault = CheckTestDatabase(database); !fault.isEmpty())
        return failed(fault);
    return database;
}
