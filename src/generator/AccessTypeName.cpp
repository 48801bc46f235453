#include "generator/AccessTypeName.h"

#include "database/Column.h"

namespace {

// ADO's DataTypeEnum codes, as the reader gives them.
namespace Ado {
constexpr int SmallInt = 2, Integer = 3, Single = 4, Double = 5, Currency = 6, Date = 7,
              Boolean = 11, Variant = 12, UnsignedTinyInt = 17, BigInt = 20, Guid = 72,
              Binary = 128, WChar = 130, Numeric = 131, VarWChar = 202, LongVarWChar = 203,
              VarBinary = 204, LongVarBinary = 205;
} // namespace Ado

// A number field is named with its field size in brackets.
QString Number(const char16_t *size) {
    return QStringLiteral("数値型 (%1)").arg(QString::fromUtf16(size));
}

} // namespace

QString AccessTypeName(const Column &column) {
    switch (column.Complex()) {
    case ColumnTraits::Complex::Attachment:
        return QStringLiteral("添付ファイル");
    case ColumnTraits::Complex::MultiValued:
    case ColumnTraits::Complex::Other:
        return QStringLiteral("複数値");
    case ColumnTraits::Complex::None:
        break;
    }
    if (column.AutoNumber() == ColumnTraits::AutoNumber::Increment)
        return QStringLiteral("オートナンバー型");
    if (column.AutoNumber() == ColumnTraits::AutoNumber::ReplicationId)
        return QStringLiteral("オートナンバー型 (レプリケーション ID 型)");
    switch (column.Type()) {
    case Ado::WChar:
    case Ado::VarWChar:
        return QStringLiteral("テキスト型");
    case Ado::LongVarWChar:
        return column.IsHyperlink() ? QStringLiteral("ハイパーリンク型") : QStringLiteral("メモ型");
    case Ado::UnsignedTinyInt:
        return Number(u"バイト型");
    case Ado::SmallInt:
        return Number(u"整数型");
    case Ado::Integer:
        return Number(u"長整数型");
    case Ado::Single:
        return Number(u"単精度浮動小数点型");
    case Ado::Double:
        return Number(u"倍精度浮動小数点型");
    case Ado::Guid:
        return Number(u"レプリケーション ID 型");
    case Ado::Numeric:
        return Number(u"十進型");
    case Ado::BigInt:
        return QStringLiteral("大きい数値");
    case Ado::Currency:
        return QStringLiteral("通貨型");
    case Ado::Date:
        return QStringLiteral("日付/時刻型");
    case Ado::Boolean:
        return QStringLiteral("Yes/No 型");
    case Ado::LongVarBinary:
        return QStringLiteral("OLE オブジェクト型");
    case Ado::Binary:
    case Ado::VarBinary:
        return QStringLiteral("バイナリ型");
    case Ado::Variant:
    default:
        return QStringLiteral("型 %1").arg(column.Type());
    }
}
