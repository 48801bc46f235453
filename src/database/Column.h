#pragma once

#include <QString>

// A column of a table: its name, its ADO data type code, its defined size
// (characters for text, bytes for binary, 0 when the type has no size) and
// the description its designer wrote (empty when none).
class Column {
public:
    Column(QString name, qint32 type, qint32 definedSize, QString description = {})
        : name_(std::move(name)), type_(type), definedSize_(definedSize),
          description_(std::move(description)) {}

    const QString &Name() const { return name_; }
    qint32 Type() const { return type_; }
    qint32 DefinedSize() const { return definedSize_; }
    const QString &Description() const { return description_; }

private:
    QString name_;
    qint32 type_;
    qint32 definedSize_;
    QString description_;
};
