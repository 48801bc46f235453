// libFuzzer target: the connection string parser. Besides not crashing, a
// path written into a connection string must always come back unchanged.
#include "database/ConnectionString.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    (void)mdlADO::DataSourceOf(text);
    const auto back = mdlADO::DataSourceOf(mdlADO::BuildConnectionString(text));
    if (!back || *back != text)
        std::abort(); // a file name changed or injected a key
    return 0;
}
