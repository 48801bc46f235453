#include "typenames/TypeName.h"

QVariant TypeName(Recordset &names, qint32 code) {
    names.setFilter(QStringLiteral("ID=%1").arg(code));
    if (names.RecordCount() == 0)
        return QStringLiteral("#Error#");
    return names.FieldValue(QStringLiteral("EnumName"));
}
