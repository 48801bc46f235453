#include "support/SheetCells.h"

#include <QJsonArray>

QStringList SheetNames(const QJsonObject &workbook) {
    QStringList names;
    for (const QJsonValue &sheet : workbook.value("sheets").toArray())
        names << sheet.toObject().value("name").toString();
    return names;
}

QJsonObject SheetAt(const QJsonObject &workbook, int index) {
    return workbook.value("sheets").toArray().at(index).toObject();
}

QJsonObject SheetNamed(const QJsonObject &workbook, const QString &name) {
    for (const QJsonValue &sheet : workbook.value("sheets").toArray())
        if (sheet.toObject().value("name").toString() == name)
            return sheet.toObject();
    return {};
}

QString A1(int column, int row) {
    return QStringLiteral("%1%2").arg(QChar(u'A' + column - 1)).arg(row);
}

QJsonObject CellAt(const QJsonObject &sheet, const QString &address) {
    return sheet.value("cells").toObject().value(address).toObject();
}

QJsonValue ValueAt(const QJsonObject &sheet, const QString &address, const QString &kind) {
    return CellAt(sheet, address).value("value").toObject().value(kind);
}

QString TextAt(const QJsonObject &sheet, const QString &address) {
    return ValueAt(sheet, address, QStringLiteral("text")).toString();
}

QString DateAt(const QJsonObject &sheet, const QString &address) {
    return ValueAt(sheet, address, QStringLiteral("date")).toString();
}

bool EmptyAt(const QJsonObject &sheet, const QString &address) {
    const QJsonValue value = CellAt(sheet, address).value("value");
    return value.isNull() || value.isUndefined();
}

QString BordersAt(const QJsonObject &sheet, const QString &address) {
    const QJsonObject border = CellAt(sheet, address).value("border").toObject();
    QStringList sides;
    for (const char *side : {"top", "bottom", "left", "right"})
        sides << QStringLiteral("%1:%2").arg(side, border.value(side).toString("none"));
    return sides.join(' ');
}
