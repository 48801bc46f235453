#pragma once

#include <QString>

// The value of a property of a table or a column, by the type the file
// stores it with: a text, a yes/no, or a number (integers, floating-point,
// currency and date-time values, the latter as an OLE automation date).
// Values of the other types come as text: a GUID as
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", binary ones as their bytes in
// hexadecimal digits, two to a byte.
class PropertyValue {
public:
    enum class Kind { Text, Boolean, Number };

    static PropertyValue text(QString text) { return PropertyValue(Kind::Text, std::move(text)); }
    static PropertyValue boolean(bool truth) {
        PropertyValue v(Kind::Boolean, {});
        v.boolean_ = truth;
        return v;
    }
    static PropertyValue number(double number) {
        PropertyValue v(Kind::Number, {});
        v.number_ = number;
        return v;
    }

    Kind kind() const { return kind_; }
    const QString &Text() const { return text_; } // empty unless a text
    bool Boolean() const { return boolean_; }     // false unless a boolean
    double Number() const { return number_; }     // 0 unless a number

    bool operator==(const PropertyValue &) const = default;

private:
    PropertyValue(Kind kind, QString text) : kind_(kind), text_(std::move(text)) {}

    Kind kind_;
    QString text_;
    bool boolean_ = false;
    double number_ = 0;
};
