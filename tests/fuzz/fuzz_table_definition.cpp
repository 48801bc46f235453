// libFuzzer target: the reader's parser of a table definition's columns and
// indexes. The first byte chooses the format (0 Jet 3, any other Jet 4 and
// later); the rest is the definition.
#include "reader/TableDefinition.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const bool jet3 = data[0] == 0;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    const TextDecoder decode = [](std::string_view stored) -> std::optional<std::string> {
        if (!stored.empty() && stored[0] == '\0')
            return std::nullopt;
        return std::string(stored);
    };
    if (const auto definition = ParseTableDefinition(bytes, jet3, decode))
        if (definition->indexes)
            for (const DefinedIndex &index : *definition->indexes)
                for (const DefinedIndexColumn &c : index.columns)
                    if (c.column >= definition->columns.size()) // names a column it has
                        __builtin_trap();
    return 0;
}
