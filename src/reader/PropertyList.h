#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// Column name to a text of the column. Ordered, not hashed: the names come
// from the file, and the standard hash of a string is the same in every
// process, so a file made of names that all collide would make every lookup
// a walk through all of them.
using ColumnTexts = std::map<std::string, std::string, std::less<>>;

// Decodes a stored text (a name or a text value) to UTF-8 the way the file's
// names are decoded; nullopt when it cannot.
using TextDecoder = std::function<std::optional<std::string>(std::string_view)>;

// The "Description" property of each column in a table's property list (the
// LvProp value of its catalog row, "KKD" in Jet 3 files and "MR2" later):
// column name to description, both UTF-8. Parsed here with every length
// checked against what holds it, for libmdb's own parser reads past the end
// of a damaged list and loops on a zero length. A list that is damaged
// anywhere gives no descriptions at all.
ColumnTexts ColumnDescriptions(std::string_view list, const TextDecoder &decode);
