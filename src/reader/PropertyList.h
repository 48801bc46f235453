#pragma once

#include "reader/TextDecoder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A property's value, decoded by the type it is stored with: texts and
// memos as text, yes/no as a boolean, the integer types as integers, the
// floating-point, currency and date-time types as reals (a date-time as its
// OLE automation date). A GUID is the text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
// any other type (binary, OLE object, decimal) the text of its bytes in
// hexadecimal digits, two to a byte.
struct PropertyValue {
    enum class Kind { Text, Boolean, Integer, Real };
    Kind kind = Kind::Text;
    std::string text; // UTF-8
    bool boolean = false;
    int64_t integer = 0;
    double real = 0;
};

// One property as the list stores it: its name, whether the list marks it
// a DDL property (one only a user who may change the design may change), the
// type it is stored with and its value.
struct StoredProperty {
    std::string name;
    bool ddl = false;
    unsigned storedType = 0; // a column type code: 10 text, 12 memo…
    PropertyValue value;
};

// The properties of one object of the table, in stored order: the table
// itself (an empty object name) or one of its columns (the column's name).
struct ObjectProperties {
    std::string object;
    std::vector<StoredProperty> properties;
};

// Every property in a table's property list (the LvProp value of its catalog
// row, "KKD" in Jet 3 files and "MR2" later), names and texts in UTF-8,
// objects in the order the list first names them. An object named twice has
// its properties together; a property named twice for one object keeps its
// first place and its last value. Parsed here with every length checked
// against what holds it, for libmdb's own parser reads past the end of a
// damaged list and loops on a zero length. A list that is damaged anywhere
// gives nullopt: none of its properties.
std::optional<std::vector<ObjectProperties>> ReadPropertyList(std::string_view list,
                                                              const TextDecoder &decode);
