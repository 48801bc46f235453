#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// Decodes a stored text (a name or a text value) to UTF-8 the way the file's
// names are decoded; nullopt when it cannot.
using TextDecoder = std::function<std::optional<std::string>(std::string_view)>;

// The "Description" property of each column in a table's property list (the
// LvProp value of its catalog row, "KKD" in Jet 3 files and "MR2" later):
// column name to description, both UTF-8. Parsed here with every length
// checked against what holds it, for libmdb's own parser reads past the end
// of a damaged list and loops on a zero length. A list that is damaged
// anywhere gives no descriptions at all.
std::unordered_map<std::string, std::string> ColumnDescriptions(std::string_view list,
                                                                const TextDecoder &decode);
