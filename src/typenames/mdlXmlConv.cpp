#include "typenames/mdlXmlConv.h"

#include "common/RegularFile.h"
#include "common/TextHash.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <optional>
#include <unordered_map>

namespace mdlXmlConv {

namespace {

const QString SchemaNamespace = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString DataTypeNamespace = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString RowsetNamespace = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString RowNamespace = QStringLiteral("#RowsetSchema");

// A data file has a few kilobytes; anything larger than this is not one.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
// A data file nests five elements deep, has a few attributes in an element
// (a record has one for each field), and declares four namespaces, whose
// names take 127 characters. Far beyond these it is not a data file, and the
// XML reader slows down: it compares every two attributes of an element, and
// the namespaces of two of one name in full, however long; it looks a prefix
// up through every declaration in scope, for each element and each prefixed
// attribute.
constexpr int MaxDepth = 64;
constexpr qsizetype MaxAttributes = 64;
constexpr qsizetype MaxDeclarations = 32;      // in the whole file
constexpr qsizetype MaxNamespaceLength = 1024; // the names of all of them

using Kind = RecordsetData::Kind;

Kind KindOf(QStringView type) {
    static const QStringList integers = {"i1", "i2", "i4", "i8", "ui1", "ui2", "ui4", "ui8", "int"};
    static const QStringList reals = {"r4", "r8", "float", "number", "fixed.14.4"};
    if (integers.contains(type))
        return Kind::Integer;
    if (reals.contains(type))
        return Kind::Real;
    return Kind::Text;
}

// The file's text as the XML reader decodes it: in the encoding its
// declaration names, or else the one its first bytes show, UTF-8 when they
// show none. Nothing when the reader would not decode it either.
std::optional<QString> DecodedText(const QByteArray &xml) {
    QBuffer bytes;
    bytes.setData(xml);
    bytes.open(QIODevice::ReadOnly);
    QXmlStreamReader declaration(&bytes);
    declaration.readNext();
    const QByteArray declared = declaration.documentEncoding().toUtf8();
    QStringDecoder decoder =
        declared.isEmpty() ? QStringDecoder(QStringConverter::encodingForData(xml, u'<').value_or(
                                 QStringConverter::Utf8))
                           : QStringDecoder(declared.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder(xml));
}

bool IsXmlSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The name of the attribute whose "=" stands at "at" in a tag.
QStringView NameBefore(QStringView text, qsizetype at) {
    qsizetype end = at;
    while (end > 0 && IsXmlSpace(text[end - 1]))
        --end;
    qsizetype start = end;
    while (start > 0 && !IsXmlSpace(text[start - 1]) &&
           !QStringView(u"<='\"").contains(text[start - 1]))
        --start;
    return text.sliced(start, end - start);
}

// What a tag holds: its attributes, the namespace declarations among them
// and the length of the names they declare.
struct Tag {
    qsizetype attributes = 0;
    qsizetype declarations = 0;
    qsizetype namespaceLength = 0;
};

// Where the tag that starts at "at" ends, or -1 when it does not; what it
// holds in "tag". Each "=" outside the quoted values stands between an
// attribute's name and its value.
qsizetype TagEnd(QStringView text, qsizetype at, Tag &tag) {
    bool declaration = false; // the next value is a namespace name
    for (++at; at < text.size() && text[at] != u'>'; ++at) {
        if (text[at] == u'\'' || text[at] == u'"') {
            const qsizetype end = text.indexOf(text[at], at + 1);
            if (end < 0)
                return -1;
            if (declaration)
                tag.namespaceLength += end - at - 1; // references count as written, never shorter
            declaration = false;
            at = end;
        } else if (text[at] == u'=') {
            ++tag.attributes;
            const QStringView name = NameBefore(text, at);
            declaration = name == u"xmlns" || name.startsWith(u"xmlns:");
            tag.declarations += declaration;
        }
    }
    return at < text.size() ? at : -1;
}

// Whether the file has more to it than a data file ever has: a DTD, an
// element with more attributes, or more or longer namespace declarations in
// all. The markup is scanned as the XML reader reads it, so that comments,
// CDATA sections, processing instructions and quoted values, which hold no
// attributes, count none. It is scanned in characters, not bytes: in UTF-16
// a byte of either value may belong to any character. Where the file stops
// being XML the reader stops reading it, and the scan stops too.
bool ExceedsBounds(const QByteArray &xml) {
    const std::optional<QString> decoded = DecodedText(xml);
    if (!decoded)
        return false; // the reader refuses it by itself
    const QStringView text = *decoded;
    Tag all; // the declarations of the whole file
    for (qsizetype at = text.indexOf(u'<'); at >= 0; at = text.indexOf(u'<', at)) {
        const QStringView markup = text.sliced(at);
        Tag tag;
        if (markup.startsWith(u"<!--"))
            at = text.indexOf(u"-->", at + 4);
        else if (markup.startsWith(u"<![CDATA["))
            at = text.indexOf(u"]]>", at + 9);
        else if (markup.startsWith(u"<?"))
            at = text.indexOf(u"?>", at + 2);
        else if (markup.startsWith(u"<!"))
            return true; // a DTD: the parser refuses one only after the reader has read it whole
        else
            at = TagEnd(text, at, tag);
        all.declarations += tag.declarations;
        all.namespaceLength += tag.namespaceLength;
        if (tag.attributes > MaxAttributes || all.declarations > MaxDeclarations ||
            all.namespaceLength > MaxNamespaceLength)
            return true;
        if (at < 0)
            return false; // markup that never ends
    }
    return false;
}

class Parser {
public:
    // The reader takes the bytes through a device, a piece at a time: given
    // them whole it would hold them all again as text.
    explicit Parser(const QByteArray &xml) {
        bytes_.setData(xml);
        bytes_.open(QIODevice::ReadOnly);
        xml_.setDevice(&bytes_);
        // At most one record per 6 bytes ("<z:row/>" less the prefix), one
        // value per 5 ("a=''" and a space), one character per byte.
        const qsizetype size = xml.size();
        data_->reserve(size / 6 + 1, size / 5 + 1, size);
    }

    std::unique_ptr<Recordset> parse() {
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
        return std::make_unique<Recordset>(std::move(data_));
    }

private:
    // The next token; a DTD or an entity reference makes the file malformed:
    // a data file has neither, and nothing is ever fetched for one.
    bool next() {
        xml_.readNext();
        if (xml_.tokenType() == QXmlStreamReader::DTD ||
            xml_.tokenType() == QXmlStreamReader::EntityReference)
            xml_.raiseError(QStringLiteral("entities are not accepted"));
        else if (xml_.isStartElement() && ++depth_ > MaxDepth)
            xml_.raiseError(QStringLiteral("elements nested too deep"));
        else if (xml_.isEndElement())
            --depth_;
        return !xml_.atEnd() && !xml_.hasError();
    }

    bool is(const QString &ns, QStringView name) const {
        return xml_.namespaceUri() == ns && xml_.name() == name;
    }

    bool readSchema() {
        for (int depth = 1; depth > 0 && next();) {
            if (xml_.isEndElement()) {
                --depth;
                continue;
            }
            if (!xml_.isStartElement())
                continue;
            ++depth;
            const QXmlStreamAttributes attributes = xml_.attributes();
            if (is(SchemaNamespace, u"AttributeType")) {
                // The rows name a field by its attribute name; rs:name is the
                // field's own name where the two differ.
                const QString attribute = attributes.value(QLatin1String("name")).toString();
                const QString name =
                    attributes.hasAttribute(RowsetNamespace, QLatin1String("name"))
                        ? attributes.value(RowsetNamespace, QLatin1String("name")).toString()
                        : attribute;
                if (attribute.isEmpty() ||
                    !fieldOfAttribute_.emplace(attribute, data_->fieldCount()).second)
                    return false;
                data_->addField(name,
                                KindOf(attributes.value(DataTypeNamespace, QLatin1String("type"))));
            } else if (is(SchemaNamespace, u"datatype") && data_->fieldCount() > 0 &&
                       attributes.hasAttribute(DataTypeNamespace, QLatin1String("type"))) {
                data_->setKind(data_->fieldCount() - 1,
                               KindOf(attributes.value(DataTypeNamespace, QLatin1String("type"))));
            }
        }
        return !xml_.hasError() && data_->fieldCount() > 0;
    }

    // Rows stand in rs:data, or in an rs:insert of rows added before saving;
    // rows under other elements (pending updates, deletions) are not records.
    bool readData() {
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
            else if (is(RowNamespace, u"row") && (depth == 2 || (depth == 3 && inInsert)) &&
                     !readRow())
                return false;
        }
        return !xml_.hasError();
    }

    // Attributes that name no field are not values.
    bool readRow() {
        for (const QXmlStreamAttribute &a : xml_.attributes()) {
            if (!a.namespaceUri().isEmpty())
                continue;
            const auto field = fieldOfAttribute_.find(a.name());
            if (field != fieldOfAttribute_.end() && !data_->addValue(field->second, a.value()))
                return false;
        }
        data_->endRecord();
        return true;
    }

    QBuffer bytes_;
    QXmlStreamReader xml_;
    int depth_ = 0;
    std::unordered_map<QString, int, TextHash, std::equal_to<>>
        fieldOfAttribute_; // searched by views
    std::shared_ptr<RecordsetData> data_ = std::make_shared<RecordsetData>();
};

} // namespace

std::unique_ptr<Recordset> ParseRecordsetXml(const QByteArray &xml) {
    try {
        if (xml.size() > MaxFileSize || ExceedsBounds(xml))
            return nullptr;
        return Parser(xml).parse();
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<Recordset> LoadRecordsetXml(const QString &path) {
    return Loader().load(path);
}

std::unique_ptr<Recordset> Loader::load(const QString &path) {
    // The file is the user's to edit and may be anything; whatever goes
    // wrong with it, running out of memory too, is a file not loaded.
    try {
        const std::optional<QByteArray> xml = ReadRegularFile(path, MaxFileSize);
        if (!xml)
            return nullptr;
        if (lastRecordset_ && lastBytes_ == *xml)
            return std::make_unique<Recordset>(*lastRecordset_);
        lastRecordset_.reset();
        lastBytes_.clear();
        auto recordset = ParseRecordsetXml(*xml);
        if (recordset) {
            lastRecordset_ = std::make_unique<Recordset>(*recordset);
            lastBytes_ = *xml;
        }
        return recordset;
    } catch (...) {
        return nullptr;
    }
}

} // namespace mdlXmlConv
