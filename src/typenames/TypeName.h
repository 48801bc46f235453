#pragma once

#include "typenames/Recordset.h"

#include <QVariant>

// The name a data type code has in the data type name file: the "EnumName"
// of the first row (in file order) whose "ID" is the code, or the text
// "#Error#" when no row has it. The recordset's filter is left on the code.
QVariant TypeName(Recordset &names, qint32 code);
