#include "TemplatePackage.h"

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
const QLatin1StringView WorkbookType("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
const QLatin1StringView TemplateType("application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml");

// Far above the few hundred bytes libxlsxwriter writes for many sheets.
constexpr ZPOS64_T MaxContentTypesSize = 16 << 20;
constexpr unsigned CopyChunk = 64 * 1024;

struct UnzipCloser {
    void operator()(void *file) const { unzClose(file); }
};
struct ZipCloser {
    void operator()(void *file) const { zipClose(file, nullptr); }
};

class TemplateCopy {
public:
    TemplateCopy(const QByteArray &from, const QByteArray &to, const QString &path)
        : path_(path), in_(unzOpen64(from.constData())), out_(zipOpen64(to.constData(), APPEND_STATUS_CREATE))
    {
        if (!in_)
            fail(QStringLiteral("the written package cannot be opened"));
        if (!out_)
            fail(QStringLiteral("the template cannot be created"));
    }

    void copy()
    {
        bool declared = false;
        int status = unzGoToFirstFile(in_.get());
        for (; status == UNZ_OK; status = unzGoToNextFile(in_.get())) {
            unz_file_info64 info{};
            char name[1024] = {};
            if (unzGetCurrentFileInfo64(in_.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
                fail(QStringLiteral("a part cannot be read"));
            zip_fileinfo entry{};
            entry.dosDate = info.dosDate;
            if (qstrcmp(name, ContentTypesPart) == 0) {
                writeContentTypes(name, entry, info);
                declared = true;
            } else {
                copyRaw(name, entry, info);
            }
        }
        if (status != UNZ_END_OF_LIST_OF_FILE)
            fail(QStringLiteral("the parts cannot be listed"));
        if (!declared)
            fail(QStringLiteral("the package has no content types"));
        if (zipClose(out_.release(), nullptr) != ZIP_OK)
            fail(QStringLiteral("the template cannot be completed"));
    }

private:
    [[noreturn]] void fail(const QString &reason) const
    {
        throw Failure(QStringLiteral("ブック「%1」をテンプレートとして書き込めません。").arg(path_), reason);
    }

    void writeContentTypes(const char *name, const zip_fileinfo &entry, const unz_file_info64 &info)
    {
        if (info.uncompressed_size > MaxContentTypesSize || unzOpenCurrentFile(in_.get()) != UNZ_OK)
            fail(QStringLiteral("the content types cannot be read"));
        QByteArray types(static_cast<qsizetype>(info.uncompressed_size), Qt::Uninitialized);
        const int got = types.isEmpty() ? 0 : unzReadCurrentFile(in_.get(), types.data(), unsigned(types.size()));
        // Closing checks the contents against their checksum.
        if (got != types.size() || unzCloseCurrentFile(in_.get()) != UNZ_OK)
            fail(QStringLiteral("the content types cannot be read"));
        const QByteArray changed = TemplateContentTypes(types);
        if (changed.isEmpty())
            fail(QStringLiteral("the content types declare no workbook"));
        if (zipOpenNewFileInZip64(out_.get(), name, &entry, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION, 0) != ZIP_OK ||
            zipWriteInFileInZip(out_.get(), changed.constData(), unsigned(changed.size())) != ZIP_OK ||
            zipCloseFileInZip(out_.get()) != ZIP_OK)
            fail(QStringLiteral("the content types cannot be written"));
    }

    // The part's compressed bytes as they are, with its checksum and size.
    void copyRaw(const char *name, const zip_fileinfo &entry, const unz_file_info64 &info)
    {
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(in_.get(), &method, &level, 1) != UNZ_OK)
            fail(QStringLiteral("the part %1 cannot be read").arg(QString::fromUtf8(name)));
        const bool large = info.uncompressed_size >= 0xFFFFFFFFu;
        if (zipOpenNewFileInZip2_64(out_.get(), name, &entry, nullptr, 0, nullptr, 0, nullptr, method, level, 1,
                                    large) != ZIP_OK)
            fail(QStringLiteral("the part %1 cannot be written").arg(QString::fromUtf8(name)));
        std::unique_ptr<char[]> buffer(new char[CopyChunk]);
        ZPOS64_T copied = 0;
        int got = 0;
        while ((got = unzReadCurrentFile(in_.get(), buffer.get(), CopyChunk)) > 0) {
            if (zipWriteInFileInZip(out_.get(), buffer.get(), unsigned(got)) != ZIP_OK)
                fail(QStringLiteral("the part %1 cannot be written").arg(QString::fromUtf8(name)));
            copied += ZPOS64_T(got);
        }
        if (got < 0 || copied != info.compressed_size || unzCloseCurrentFile(in_.get()) != UNZ_OK)
            fail(QStringLiteral("the part %1 cannot be read").arg(QString::fromUtf8(name)));
        if (zipCloseFileInZipRaw64(out_.get(), info.uncompressed_size, info.crc) != ZIP_OK)
            fail(QStringLiteral("the part %1 cannot be written").arg(QString::fromUtf8(name)));
    }

    QString path_;
    std::unique_ptr<void, UnzipCloser> in_;
    std::unique_ptr<void, ZipCloser> out_;
};

} // namespace

QByteArray TemplateContentTypes(const QByteArray &types)
{
    // Names as they stand, xmlns among the attributes: the copy declares
    // exactly the namespaces the original does.
    QXmlStreamReader reader(types);
    reader.setNamespaceProcessing(false);
    QByteArray changed;
    QXmlStreamWriter writer(&changed);
    bool workbookDeclared = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError())
            return {};
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.isStartDocument()) {
            // writeCurrentToken() would leave out standalone="yes".
            writer.writeStartDocument(reader.documentVersion().toString(), reader.isStandaloneDocument());
        } else if (reader.isStartElement() && reader.name() == u"Override" &&
            attributes.value(QLatin1StringView("PartName")) == WorkbookPart && attributes.value(QLatin1StringView("ContentType")) == WorkbookType) {
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &attribute : attributes)
                writer.writeAttribute(attribute.qualifiedName().toString(),
                                      attribute.name() == u"ContentType" ? QString(TemplateType)
                                                                         : attribute.value().toString());
            workbookDeclared = true;
        } else {
            writer.writeCurrentToken(reader);
        }
    }
    return workbookDeclared ? changed : QByteArray();
}

void CopyAsTemplate(const QByteArray &from, const QByteArray &to, const QString &path)
{
    TemplateCopy(from, to, path).copy();
}

} // namespace spreadsheet
