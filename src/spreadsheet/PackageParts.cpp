#include "spreadsheet/PackageParts.h"

#include "common/Failure.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <memory>
#include <unzip.h>
#include <zip.h>

namespace spreadsheet {

namespace {

const char ContentTypesPart[] = "[Content_Types].xml";
const QLatin1StringView WorkbookPart("/xl/workbook.xml");
const QLatin1StringView
    WorkbookType("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
const QLatin1StringView
    TemplateType("application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml");

// Far above the few hundred bytes libxlsxwriter writes for many sheets.
constexpr ZPOS64_T MaxContentTypesSize = 16 << 20;
constexpr unsigned Chunk = 64 * 1024;
// Enough of a part's start for its declaration and root element's name, and
// of its end for the root's end tag.
constexpr qsizetype HeadBytes = 512;
constexpr qsizetype TailBytes = 512;

struct UnzipCloser {
    void operator()(void *file) const { unzClose(file); }
};
struct ZipCloser {
    void operator()(void *file) const { zipClose(file, nullptr); }
};

using Unzip = std::unique_ptr<void, UnzipCloser>;

// One part after another, with its name and sizes.
class PartReader {
public:
    PartReader(const QByteArray &file, const QString &path)
        : path_(path), in_(unzOpen64(file.constData())) {
        if (!in_)
            fail(QStringLiteral("書き込んだファイルを開けません"));
    }

    [[noreturn]] void fail(const QString &reason) const {
        throw Failure(FailureKind::Output,
                      QStringLiteral("ブック「%1」を書き込めません。").arg(path_), reason);
    }

    // Calls visit(name, info) for every part, in the package's order.
    template <typename Visit> void forEach(Visit visit) {
        int parts = 0;
        int status = unzGoToFirstFile(in_.get());
        for (; status == UNZ_OK; status = unzGoToNextFile(in_.get()), ++parts) {
            unz_file_info64 info{};
            char name[1024] = {};
            if (unzGetCurrentFileInfo64(in_.get(), &info, name, sizeof name, nullptr, 0, nullptr,
                                        0) != UNZ_OK)
                fail(QStringLiteral("ファイルの一部を読み取れません"));
            visit(name, info);
        }
        if (status != UNZ_END_OF_LIST_OF_FILE || parts == 0)
            fail(QStringLiteral("ファイルの中身を一覧できません"));
    }

    unzFile file() const { return in_.get(); }
    const QString &path() const { return path_; }

private:
    QString path_;
    Unzip in_;
};

// Inflates the current part and checks it: its checksum (which minizip
// compares as the part is closed, once all of it is read) and its end.
void CheckPart(PartReader &parts, const char *name) {
    const auto cutShort = [&] {
        parts.fail(
            QStringLiteral("%1 が途中で切れています: 一時ファイルを最後まで書き込めませんでした"
                           "（一時フォルダの空き、またはファイルサイズの制限）")
                .arg(QString::fromUtf8(name)));
    };
    if (unzOpenCurrentFile(parts.file()) != UNZ_OK)
        parts.fail(QStringLiteral("%1 を読み取れません").arg(QString::fromUtf8(name)));
    QByteArray head, tail;
    std::unique_ptr<char[]> buffer(new char[Chunk]);
    int got = 0;
    while ((got = unzReadCurrentFile(parts.file(), buffer.get(), Chunk)) > 0) {
        const QByteArrayView read(buffer.get(), got);
        if (head.size() < HeadBytes)
            head += read.first(std::min<qsizetype>(got, HeadBytes - head.size()));
        if (got >= TailBytes)
            tail = read.last(TailBytes).toByteArray();
        else
            tail = (tail + read.toByteArray()).right(TailBytes);
    }
    if (got < 0 || unzCloseCurrentFile(parts.file()) != UNZ_OK)
        parts.fail(QStringLiteral("%1 のチェックサムが合いません").arg(QString::fromUtf8(name)));
    if (!EndsItsRootElement(head, tail))
        cutShort();
}

class TemplateCopy {
public:
    TemplateCopy(const QByteArray &from, const QByteArray &to, const QString &path)
        : parts_(from, path), out_(zipOpen64(to.constData(), APPEND_STATUS_CREATE)) {
        if (!out_)
            fail(QStringLiteral("テンプレートを作成できません"));
    }

    void copy() {
        bool declared = false;
        parts_.forEach([&](const char *name, const unz_file_info64 &info) {
            zip_fileinfo entry{};
            entry.dosDate = info.dosDate;
            if (qstrcmp(name, ContentTypesPart) == 0) {
                writeContentTypes(name, entry, info);
                declared = true;
            } else {
                copyRaw(name, entry, info);
            }
        });
        if (!declared)
            fail(QStringLiteral("[Content_Types].xml がありません"));
        if (zipClose(out_.release(), nullptr) != ZIP_OK)
            fail(QStringLiteral("テンプレートを完成できません"));
    }

private:
    [[noreturn]] void fail(const QString &reason) const {
        throw Failure(
            FailureKind::Output,
            QStringLiteral("ブック「%1」をテンプレートとして書き込めません。").arg(parts_.path()),
            reason);
    }

    void writeContentTypes(const char *name, const zip_fileinfo &entry,
                           const unz_file_info64 &info) {
        unzFile in = parts_.file();
        if (info.uncompressed_size > MaxContentTypesSize || unzOpenCurrentFile(in) != UNZ_OK)
            fail(QStringLiteral("[Content_Types].xml を読み取れません"));
        QByteArray types(static_cast<qsizetype>(info.uncompressed_size), Qt::Uninitialized);
        const int got =
            types.isEmpty() ? 0 : unzReadCurrentFile(in, types.data(), unsigned(types.size()));
        // Closing checks the contents against their checksum.
        if (got != types.size() || unzCloseCurrentFile(in) != UNZ_OK)
            fail(QStringLiteral("[Content_Types].xml を読み取れません"));
        const QByteArray changed = TemplateContentTypes(types);
        if (changed.isEmpty())
            fail(QStringLiteral("[Content_Types].xml にブックがありません"));
        if (zipOpenNewFileInZip64(out_.get(), name, &entry, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) != ZIP_OK ||
            zipWriteInFileInZip(out_.get(), changed.constData(), unsigned(changed.size())) !=
                ZIP_OK ||
            zipCloseFileInZip(out_.get()) != ZIP_OK)
            fail(QStringLiteral("[Content_Types].xml を書き込めません"));
    }

    // The part's compressed bytes as they are, with its checksum and size.
    void copyRaw(const char *name, const zip_fileinfo &entry, const unz_file_info64 &info) {
        unzFile in = parts_.file();
        const auto failPart = [&](const QString &what) { fail(what.arg(QString::fromUtf8(name))); };
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(in, &method, &level, 1) != UNZ_OK)
            failPart(QStringLiteral("%1 を読み取れません"));
        const bool large = info.uncompressed_size >= 0xFFFFFFFFu;
        if (zipOpenNewFileInZip2_64(out_.get(), name, &entry, nullptr, 0, nullptr, 0, nullptr,
                                    method, level, 1, large) != ZIP_OK)
            failPart(QStringLiteral("%1 を書き込めません"));
        std::unique_ptr<char[]> buffer(new char[Chunk]);
        ZPOS64_T copied = 0;
        int got = 0;
        while ((got = unzReadCurrentFile(in, buffer.get(), Chunk)) > 0) {
            if (zipWriteInFileInZip(out_.get(), buffer.get(), unsigned(got)) != ZIP_OK)
                failPart(QStringLiteral("%1 を書き込めません"));
            copied += ZPOS64_T(got);
        }
        if (got < 0 || copied != info.compressed_size || unzCloseCurrentFile(in) != UNZ_OK)
            failPart(QStringLiteral("%1 を読み取れません"));
        if (zipCloseFileInZipRaw64(out_.get(), info.uncompressed_size, info.crc) != ZIP_OK)
            failPart(QStringLiteral("%1 を書き込めません"));
    }

    PartReader parts_;
    std::unique_ptr<void, ZipCloser> out_;
};

QByteArrayView Trimmed(QByteArrayView bytes) {
    while (!bytes.isEmpty() && QChar::isSpace(uchar(bytes.front())))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && QChar::isSpace(uchar(bytes.back())))
        bytes.chop(1);
    return bytes;
}

bool IsNameByte(char c) {
    return c != '>' && c != '/' && !QChar::isSpace(uchar(c));
}

} // namespace

bool EndsItsRootElement(QByteArrayView head, QByteArrayView tail) {
    head = Trimmed(head);
    if (head.startsWith("<?xml")) {
        const qsizetype end = head.indexOf("?>");
        if (end < 0)
            return false;
        head = Trimmed(head.sliced(end + 2));
    }
    if (head.size() < 2 || head.front() != '<')
        return false;
    qsizetype length = 1;
    while (length < head.size() && IsNameByte(head[length]))
        ++length;
    const QByteArrayView name = head.sliced(1, length - 1);
    if (name.isEmpty() || length == head.size())
        return false;
    tail = Trimmed(tail);
    const QByteArray endTag = "</" + name.toByteArray() + '>';
    // A root without contents ends where it starts: <Relationships .../>.
    return tail.endsWith(endTag) || (tail.endsWith("/>") && head.indexOf('>') == head.size() - 1);
}

QByteArray TemplateContentTypes(const QByteArray &types) {
    // Without namespace processing names stand as they are and xmlns is an
    // attribute like any other: the copy declares exactly what the original
    // does. Every token is written as read, so that nothing else changes.
    QXmlStreamReader reader(types);
    reader.setNamespaceProcessing(false);
    QByteArray changed;
    QXmlStreamWriter writer(&changed);
    bool workbookDeclared = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentVersion().isEmpty()) {
                if (reader.isStandaloneDocument())
                    writer.writeStartDocument(reader.documentVersion().toString(), true);
                else
                    writer.writeStartDocument(reader.documentVersion().toString());
            }
            break;
        case QXmlStreamReader::StartElement: {
            writer.writeStartElement(reader.qualifiedName().toString());
            QXmlStreamAttributes attributes = reader.attributes();
            const QStringView qualified = reader.qualifiedName();
            if (qualified.sliced(qualified.indexOf(u':') + 1) == u"Override" &&
                attributes.value(QLatin1StringView("PartName")) == WorkbookPart &&
                attributes.value(QLatin1StringView("ContentType")) == WorkbookType) {
                for (QXmlStreamAttribute &attribute : attributes)
                    if (attribute.qualifiedName() == u"ContentType")
                        attribute = QXmlStreamAttribute(attribute.qualifiedName().toString(),
                                                        QString(TemplateType));
                workbookDeclared = true;
            }
            writer.writeAttributes(attributes);
            break;
        }
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA())
                writer.writeCDATA(reader.text().toString());
            else
                writer.writeCharacters(reader.text().toString());
            break;
        case QXmlStreamReader::Comment:
            writer.writeComment(reader.text().toString());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            writer.writeProcessingInstruction(reader.processingInstructionTarget().toString(),
                                              reader.processingInstructionData().toString());
            break;
        case QXmlStreamReader::EndDocument:
            writer.writeEndDocument();
            break;
        case QXmlStreamReader::NoToken:
            break;
        default: // a document type, an entity, or an error: not content types as written
            return {};
        }
    }
    return !reader.hasError() && workbookDeclared ? changed : QByteArray();
}

void CheckPackage(const QByteArray &file, const QString &path) {
    PartReader parts(file, path);
    parts.forEach([&](const char *name, const unz_file_info64 &) { CheckPart(parts, name); });
}

void CopyAsTemplate(const QByteArray &from, const QByteArray &to, const QString &path) {
    TemplateCopy(from, to, path).copy();
}

} // namespace spreadsheet
