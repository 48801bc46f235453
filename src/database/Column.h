#pragma once

#include "database/Property.h"

#include <QString>
#include <optional>

// What the table definition and the property list say of a column beside
// its name and type.
struct ColumnTraits {
    enum class AutoNumber { None, Increment, ReplicationId };
    // A complex column holds many values: attachments, or the values of a
    // multi-valued column; Other when the file does not tell which.
    enum class Complex { None, Attachment, MultiValued, Other };

    PropertyCollection properties;
    AutoNumber autoNumber = AutoNumber::None;
    bool hyperlink = false; // a memo holding hyperlinks
    Complex complex = Complex::None;
    std::optional<qint32> precision; // decimal columns only
    std::optional<qint32> scale;
};

// A column of a table: its name, its ADO data type code, its defined size
// (characters for text, bytes for binary, 0 when the type has no size) and
// the description its designer wrote (empty when none), and its traits.
class Column {
public:
    Column(QString name, qint32 type, qint32 definedSize, QString description = {},
           ColumnTraits traits = {})
        : name_(std::move(name)), type_(type), definedSize_(definedSize),
          description_(std::move(description)), traits_(std::move(traits)) {}

    const QString &Name() const { return name_; }
    qint32 Type() const { return type_; }
    qint32 DefinedSize() const { return definedSize_; }
    const QString &Description() const { return description_; }

    // Every property the table's property list holds for the column.
    const PropertyCollection &Properties() const { return traits_.properties; }
    ColumnTraits::AutoNumber AutoNumber() const { return traits_.autoNumber; }
    bool IsHyperlink() const { return traits_.hyperlink; }
    ColumnTraits::Complex Complex() const { return traits_.complex; }
    std::optional<qint32> Precision() const { return traits_.precision; }
    std::optional<qint32> Scale() const { return traits_.scale; }

private:
    QString name_;
    qint32 type_;
    qint32 definedSize_;
    QString description_;
    ColumnTraits traits_;
};
