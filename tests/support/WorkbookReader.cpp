#include "support/WorkbookReader.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTest>

namespace {

QJsonObject RunReader(const QStringList &arguments) {
    QProcess reader;
    reader.start(QStringLiteral(QUILLMERE_PYTHON),
                 QStringList{QStringLiteral(QUILLMERE_READ_WORKBOOK)} + arguments);
    if (!reader.waitForFinished(180000) || reader.exitCode() != 0) {
        qWarning("%s", reader.readAllStandardError().constData());
        QTest::qFail("the workbook reader failed", __FILE__, __LINE__);
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

} // namespace

QJsonObject ReadWorkbook(const QString &path) {
    return RunReader({path});
}

QJsonObject ReadWorkbookWithLibreOffice(const QString &path) {
    return RunReader({QStringLiteral("--libreoffice"), path});
}

QJsonObject RenderWithLibreOffice(const QString &path) {
    return RunReader({QStringLiteral("--libreoffice-pdf"), path});
}

QJsonObject OpenWithLibreOffice(const QStringList &paths) {
    return RunReader(QStringList{QStringLiteral("--libreoffice-open")} + paths);
}

double ShownColumnWidth(double fileWidth) {
    // A column of one character is 12 pixels: 7 for the digit, 5 of padding.
    constexpr double Digit = 7, Padding = 5;
    return fileWidth >= (Digit + Padding) / Digit ? fileWidth - Padding / Digit
                                                  : fileWidth * Digit / (Digit + Padding);
}

bool ReadsBackAsWidth(double fileWidth, double width) {
    constexpr double HalfAPixel = 0.5 / 7, Stored = 1.0 / 256;
    return qAbs(ShownColumnWidth(fileWidth) - width) <= HalfAPixel + Stored;
}
