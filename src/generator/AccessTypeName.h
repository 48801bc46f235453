#pragma once

#include <QString>

class Column;

// The data type of a field as Access's Japanese table design view names it
// ("テキスト型", "数値型 (長整数型)", "オートナンバー型", …), from the
// column's ADO type and what its definition adds (auto-numbering, a memo of
// hyperlinks, a complex column). A type Access's design view has no name
// for is named as the ADO code it is ("型 12").
QString AccessTypeName(const Column &column);
