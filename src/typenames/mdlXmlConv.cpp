#include "mdlXmlConv.h"

#include <QFile>
#include <QXmlStreamReader>
#include <optional>

namespace mdlXmlConv {

namespace {

const QString SchemaNamespace = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString DataTypeNamespace = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString RowsetNamespace = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString RowNamespace = QStringLiteral("#RowsetSchema");

// A data file is small; anything this large is not one.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

enum class Kind { Text, Integer, Real };

struct Field {
    QString attribute; // the name the rows use
    QString name;      // the field's name (rs:name where the two differ)
    Kind kind = Kind::Text;
};

Kind KindOf(const QString &type)
{
    static const QStringList integers = {"i1", "i2", "i4", "i8", "ui1", "ui2", "ui4", "ui8", "int"};
    static const QStringList reals = {"r4", "r8", "float", "number", "fixed.14.4"};
    if (integers.contains(type))
        return Kind::Integer;
    if (reals.contains(type))
        return Kind::Real;
    return Kind::Text;
}

std::optional<QVariant> Convert(const QString &text, Kind kind)
{
    bool ok = true;
    switch (kind) {
    case Kind::Integer: {
        const qint64 n = text.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(n) : std::nullopt;
    }
    case Kind::Real: {
        const double d = text.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(d) : std::nullopt;
    }
    default:
        return QVariant(text);
    }
}

class Parser {
public:
    explicit Parser(const QByteArray &xml) : xml_(xml) {}

    std::unique_ptr<Recordset> parse()
    {
        bool sawSchema = false;
        bool sawData = false;
        while (next()) {
            if (!xml_.isStartElement())
                continue;
            if (is(SchemaNamespace, u"Schema")) {
                if (sawSchema || !readSchema())
                    return nullptr;
                sawSchema = true;
            } else if (is(RowsetNamespace, u"data")) {
                if (!sawSchema || sawData || !readData())
                    return nullptr;
                sawData = true;
            }
        }
        if (xml_.hasError() || !sawSchema || !sawData)
            return nullptr;
        QStringList names;
        for (const Field &f : fields_)
            names << f.name;
        return std::make_unique<Recordset>(names, std::move(rows_));
    }

private:
    // The next token; a DTD or an entity reference makes the file malformed:
    // a data file has neither, and nothing is ever fetched for one.
    bool next()
    {
        xml_.readNext();
        if (xml_.tokenType() == QXmlStreamReader::DTD || xml_.tokenType() == QXmlStreamReader::EntityReference)
            xml_.raiseError(QStringLiteral("entities are not accepted"));
        return !xml_.atEnd() && !xml_.hasError();
    }

    bool is(const QString &ns, QStringView name) const
    {
        return xml_.namespaceUri() == ns && xml_.name() == name;
    }

    bool readSchema()
    {
        for (int depth = 1; depth > 0 && next();) {
            if (xml_.isEndElement()) {
                --depth;
                continue;
            }
            if (!xml_.isStartElement())
                continue;
            ++depth;
            if (is(SchemaNamespace, u"AttributeType")) {
                Field field;
                field.attribute = xml_.attributes().value(QLatin1String("name")).toString();
                field.name = xml_.attributes().hasAttribute(RowsetNamespace, QLatin1String("name"))
                                 ? xml_.attributes().value(RowsetNamespace, QLatin1String("name")).toString()
                                 : field.attribute;
                field.kind = KindOf(xml_.attributes().value(DataTypeNamespace, QLatin1String("type")).toString());
                if (field.attribute.isEmpty())
                    return false;
                for (const Field &f : fields_)
                    if (f.attribute == field.attribute)
                        return false;
                fields_.push_back(field);
            } else if (is(SchemaNamespace, u"datatype") && !fields_.empty() &&
                       xml_.attributes().hasAttribute(DataTypeNamespace, QLatin1String("type"))) {
                fields_.back().kind = KindOf(xml_.attributes().value(DataTypeNamespace, QLatin1String("type")).toString());
            }
        }
        return !xml_.hasError() && !fields_.empty();
    }

    // Rows stand in rs:data, or in an rs:insert of rows added before saving;
    // rows under other elements (pending updates, deletions) are not records.
    bool readData()
    {
        bool inInsert = false;
        for (int depth = 1; depth > 0 && next();) {
            if (xml_.isEndElement()) {
                if (--depth == 1)
                    inInsert = false;
                continue;
            }
            if (!xml_.isStartElement())
                continue;
            ++depth;
            if (depth == 2 && is(RowsetNamespace, u"insert"))
                inInsert = true;
            else if (is(RowNamespace, u"row") && (depth == 2 || (depth == 3 && inInsert)) && !readRow())
                return false;
        }
        return !xml_.hasError();
    }

    bool readRow()
    {
        std::vector<QVariant> row(fields_.size());
        for (const QXmlStreamAttribute &a : xml_.attributes()) {
            for (size_t i = 0; i < fields_.size(); ++i) {
                if (a.namespaceUri().isEmpty() && a.name() == fields_[i].attribute) {
                    const auto value = Convert(a.value().toString(), fields_[i].kind);
                    if (!value)
                        return false;
                    row[i] = *value;
                }
            }
        }
        rows_.push_back(std::move(row));
        return true;
    }

    QXmlStreamReader xml_;
    std::vector<Field> fields_;
    std::vector<std::vector<QVariant>> rows_;
};

} // namespace

std::unique_ptr<Recordset> ParseRecordsetXml(const QByteArray &xml)
{
    try {
        return Parser(xml).parse();
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<Recordset> LoadRecordsetXml(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return nullptr;
    const QByteArray xml = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return nullptr;

    // The generator loads the same file for every table. It is read each
    // time, but parsed again only when its bytes differ from the last ones.
    struct LastLoad {
        QByteArray bytes;
        std::unique_ptr<Recordset> recordset; // unfiltered
    };
    static thread_local LastLoad last;
    if (last.recordset && last.bytes == xml)
        return std::make_unique<Recordset>(*last.recordset);
    auto recordset = ParseRecordsetXml(xml);
    last.bytes = xml;
    last.recordset = recordset ? std::make_unique<Recordset>(*recordset) : nullptr;
    return recordset;
}

} // namespace mdlXmlConv
