#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Decodes a stored text (a name or a text value) to UTF-8 the way the file's
// names are decoded; nullopt when it cannot.
using TextDecoder = std::function<std::optional<std::string>(std::string_view)>;
