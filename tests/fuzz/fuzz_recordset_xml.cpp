// libFuzzer target: the loader of ADO's XML recordsets, and the type name
// lookup on whatever it loads.
#include "common/Failure.h"
#include "typenames/TypeName.h"
#include "typenames/mdlXmlConv.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const auto recordset = mdlXmlConv::ParseRecordsetXml(
        QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    if (!recordset || !recordset->fields().contains(QStringLiteral("ID"), Qt::CaseInsensitive))
        return 0;
    for (int code : {0, 3, 202, -1, 8192}) {
        try {
            (void)TypeName(*recordset, code);
        } catch (const Failure &) {
            // a recordset without EnumName: a clear failure, not a crash
        }
    }
    return 0;
}
