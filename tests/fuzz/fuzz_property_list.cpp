// libFuzzer target: the reader's parser of a table's property list.
#include "reader/PropertyList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view list(reinterpret_cast<const char *>(data), size);
    // The reader decodes through libmdb; here a text is its bytes, and one
    // that starts with a NUL cannot be decoded.
    const TextDecoder decode = [](std::string_view stored) -> std::optional<std::string> {
        if (!stored.empty() && stored[0] == '\0')
            return std::nullopt;
        return std::string(stored);
    };
    if (const auto objects = ReadPropertyList(list, decode))
        for (const ObjectProperties &o : *objects)
            for (const StoredProperty &p : o.properties)
                if (p.value.text.size() > 2 * size) // a text is the list's bytes, or their digits
                    __builtin_trap();
    return 0;
}
