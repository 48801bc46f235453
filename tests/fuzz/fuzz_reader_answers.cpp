// libFuzzer target: the decoder of the reader process's answers.
#include "database/ReaderAnswers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray line(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (const auto entries = DecodeCatalogAnswer(line))
        for (const CatalogEntry &e : *entries)
            (void)e.created.toText();
    (void)DecodeTableAnswer(line);
    (void)DecodeErrorAnswer(line);
    return 0;
}
