#include "testdb/JetTableDefinition.h"

#include "common/Failure.h"

#include <QHash>
#include <algorithm>

namespace {

// Constants Access writes into every definition of ours; their meaning is
// not known, but readers of real files see them there.
constexpr quint32 TableMagic = 1625;
constexpr quint32 IndexMagic = 1923;

constexpr quint8 UserTable = 0x4E;
constexpr quint8 SystemTable = 0x53;

constexpr quint8 FixedLengthFlag = 0x01;
constexpr quint8 NullableFlag = 0x02;
constexpr quint8 AutoNumberFlag = 0x04;    // a long numbered by increment
constexpr quint8 ReplicationIdFlag = 0x40; // a guid Access generates
constexpr quint8 HyperlinkFlag = 0x80;     // a memo of hyperlinks
constexpr quint8 CompressedUnicodeFlag = 0x01;

constexpr int GeneralSortOrder = 0x0409;
constexpr int DecimalPrecision = 18;
constexpr int MaxKeyColumns = 10;

// A key column's order byte. libmdb reads every other value than 0 as
// ascending, and so 0 is the one that it reads as descending.
constexpr quint8 Ascending = 0x01;
constexpr quint8 Descending = 0x00;

struct StoredType {
    quint8 code;
    int length; // bytes; -1 when the column's size gives it
    bool fixed;
};

StoredType StoredTypeOf(const QString &type) {
    static const QHash<QString, StoredType> types = {
        {"boolean", {0x01, 1, true}}, {"byte", {0x02, 1, true}},     {"integer", {0x03, 2, true}},
        {"long", {0x04, 4, true}},    {"currency", {0x05, 8, true}}, {"single", {0x06, 4, true}},
        {"double", {0x07, 8, true}},  {"datetime", {0x08, 8, true}}, {"binary", {0x09, -1, false}},
        {"text", {0x0A, -1, false}},  {"ole", {0x0B, 0, false}},     {"memo", {0x0C, 0, false}},
        {"guid", {0x0F, 16, true}},   {"decimal", {0x10, 17, true}}};
    const auto it = types.constFind(type);
    if (it == types.cend())
        throw Failure(FailureKind::Internal,
                      QStringLiteral("unknown column type \"%1\"").arg(type));
    return *it;
}

bool IsText(quint8 storedType) {
    return storedType == 0x0A || storedType == 0x0C;
}

QByteArray EncodeName(const JetFormat &format, const QString &name) {
    const QByteArray bytes = format.encodeText(name);
    const int limit = format.nameLengthSize == 1 ? 0xFF : 0xFFFF;
    if (bytes.size() > limit)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("the name \"%1\" is too long").arg(name));
    QByteArray out;
    if (format.nameLengthSize == 1)
        Le::put8(out, static_cast<int>(bytes.size()));
    else
        Le::put16(out, static_cast<int>(bytes.size()));
    return out + bytes;
}

void PutColumn(const JetFormat &format, QByteArray &out, const ColumnLayout &c) {
    const quint8 numbering = !c.autoNumber          ? 0
                             : c.storedType == 0x0F ? ReplicationIdFlag // a guid
                                                    : AutoNumberFlag;
    const quint8 flags = (c.fixed ? FixedLengthFlag : 0) | NullableFlag | numbering |
                         (c.hyperlink ? HyperlinkFlag : 0);
    const bool decimal = c.storedType == 0x10;
    const int start = static_cast<int>(out.size());
    Le::put8(out, c.storedType);
    if (!format.jet3) {
        Le::put32(out, TableMagic);
        Le::put16(out, c.number);
        Le::put16(out, c.variableIndex);
        Le::put16(out, c.number);
        if (decimal) {
            Le::put8(out, c.precision ? c.precision : DecimalPrecision);
            Le::put8(out, c.scale);
        } else {
            Le::put16(out, GeneralSortOrder);
        }
        Le::put16(out, 0);
        Le::put8(out, flags);
        Le::put8(out, IsText(c.storedType) ? CompressedUnicodeFlag : 0);
        Le::put32(out, 0);
    } else {
        Le::put16(out, c.number);
        Le::put16(out, c.variableIndex);
        Le::put16(out, c.number);
        Le::put16(out, 1); // as in every Jet 3 column Access wrote
        Le::put16(out, GeneralSortOrder);
        Le::put16(out, format.codePage);
        Le::put8(out, flags);
    }
    Le::put16(out, c.fixed ? c.fixedOffset : 0);
    Le::put16(out, c.length);
    Q_ASSERT(out.size() - start == format.columnEntrySize);
}

void PutRealIndex(const JetFormat &format, QByteArray &out, const RealIndex &index) {
    if (index.columns.size() > MaxKeyColumns)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("an index has %1 columns at most").arg(MaxKeyColumns));
    if (!format.jet3)
        Le::put32(out, IndexMagic);
    for (int i = 0; i < MaxKeyColumns; ++i) {
        const bool used = i < index.columns.size();
        const bool descending = i < index.descending.size() && index.descending[i];
        Le::put16(out, used ? index.columns[i] : 0xFFFF);
        Le::put8(out, !used ? 0 : descending ? Descending : Ascending);
    }
    Le::put32(out, index.usageMap);
    Le::put32(out, index.firstPage);
    if (!format.jet3)
        Le::put32(out, 0);
    Le::put8(out, format.jet3 ? index.flags & 0x7F : index.flags); // Jet 3 has no 0x80
    if (!format.jet3)
        out.append(5, '\0');
}

void PutLogicalIndex(const JetFormat &format, QByteArray &out, const LogicalIndex &index) {
    if (!format.jet3)
        Le::put32(out, TableMagic);
    Le::put32(out, static_cast<quint32>(index.number));
    Le::put32(out, static_cast<quint32>(index.realIndex));
    Le::put8(out, index.relatedTableType);
    Le::put32(out, static_cast<quint32>(index.relatedIndex));
    Le::put32(out, index.relatedTablePage);
    Le::put8(out, index.cascadeUpdates ? 1 : 0);
    Le::put8(out, index.cascadeDeletes ? 1 : 0);
    Le::put8(out, index.type);
    if (!format.jet3)
        Le::put32(out, 0);
}

// Jet 3 keeps a record's variable-column offsets in single bytes, last one
// first; a record of 256 bytes or more adds a jump table, one byte per 256
// bytes of record: the offset entry at which each next 256 begins (0xFF for
// one it does not need), read from the end.
QByteArray Jet3OffsetTable(const QList<int> &offsets, qsizetype nullMaskSize) {
    const qsizetype body = offsets.last();
    const qsizetype fixedPart = body + offsets.size() + 1 + nullMaskSize;
    qsizetype jumps = 0;
    while ((fixedPart + jumps - 1) / 256 != jumps)
        jumps = (fixedPart + jumps - 1) / 256;
    QByteArray jumpTable(jumps, static_cast<char>(0xFF));
    for (qsizetype j = 0; j < body / 256; ++j) {
        const auto first =
            std::find_if(offsets.begin(), offsets.end(), [&](int o) { return o >= 256 * (j + 1); });
        jumpTable[jumps - 1 - j] = static_cast<char>(first - offsets.begin());
    }
    QByteArray out;
    for (auto it = offsets.crbegin(); it != offsets.crend(); ++it)
        Le::put8(out, *it);
    return out + jumpTable + static_cast<char>(offsets.size() - 1);
}

} // namespace

QList<ColumnLayout> LayOutColumns(const JetFormat &format, const QList<TestColumn> &columns) {
    QList<ColumnLayout> layout;
    int fixedOffset = 0;
    int variableIndex = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const TestColumn &column = columns[i];
        const StoredType stored = StoredTypeOf(column.type);
        ColumnLayout c;
        c.storedType = stored.code;
        c.number = i;
        c.length = stored.length;
        if (column.type == "text")
            c.length = (column.size ? column.size : 255) * (format.jet3 ? 1 : 2);
        else if (column.type == "binary")
            c.length = column.size ? column.size : 510;
        c.fixed = stored.fixed || column.fixed;
        c.longValue = column.type == "memo" || column.type == "ole";
        c.autoNumber = column.autoNumber;
        c.hyperlink = column.hyperlink;
        c.precision = column.precision;
        c.scale = column.scale;
        if (format.jet3 && (c.precision || c.scale))
            throw Failure(FailureKind::Internal,
                          QStringLiteral("\"%1\": Jet 3 keeps no decimal precision and scale")
                              .arg(column.name));
        c.variableIndex = variableIndex;
        if (!c.fixed) {
            ++variableIndex;
        } else if (column.type != "boolean") { // a boolean lives in the null mask
            c.fixedOffset = fixedOffset;
            fixedOffset += c.length;
        }
        layout << c;
    }
    return layout;
}

QByteArray EncodeTableDefinition(const JetFormat &format, const TableDefinition &table) {
    const QList<ColumnLayout> layout = LayOutColumns(format, table.columns);
    const int variableColumns = static_cast<int>(std::count_if(
        layout.begin(), layout.end(), [](const ColumnLayout &c) { return !c.fixed; }));
    const auto columnCount = static_cast<int>(layout.size());

    QByteArray out;
    Le::put8(out, 0x02);
    Le::put8(out, 0x01);
    if (format.jet3)
        out.append("VC", 2);
    else
        Le::put16(out, 0); // free space, per page
    Le::put32(out, 0);     // next page, per page
    Le::put32(out, 0);     // length, below
    if (!format.jet3)
        Le::put32(out, TableMagic);
    Le::put32(out, table.rowCount);
    Le::put32(out, 0); // next autonumber
    if (!format.jet3) {
        Le::put8(out, 1); // lets autonumbers work in Access
        out.append(15, '\0');
    }
    Le::put8(out, table.system ? SystemTable : UserTable);
    Le::put16(out, columnCount); // columns a record may have
    Le::put16(out, variableColumns);
    Le::put16(out, columnCount);
    Le::put32(out, static_cast<quint32>(table.logicalIndexes.size()));
    Le::put32(out, static_cast<quint32>(table.realIndexes.size()));
    Le::put32(out, table.usageMap);
    Le::put32(out, table.freeMap);
    Q_ASSERT(out.size() == format.tdefHeaderSize);

    for (int i = 0; i < table.realIndexes.size(); ++i) {
        Le::put32(out, 0);
        Le::put32(out, table.rowCount);
        if (!format.jet3)
            Le::put32(out, 0);
    }
    for (const ColumnLayout &c : layout)
        PutColumn(format, out, c);
    for (const TestColumn &c : table.columns)
        out += EncodeName(format, c.name);
    for (const RealIndex &index : table.realIndexes)
        PutRealIndex(format, out, index);
    for (const LogicalIndex &index : table.logicalIndexes)
        PutLogicalIndex(format, out, index);
    for (const LogicalIndex &index : table.logicalIndexes)
        out += EncodeName(format, index.name);
    for (const LongValueMaps &maps : table.longValueMaps) {
        Le::put16(out, maps.column);
        Le::put32(out, maps.usageMap);
        Le::put32(out, maps.freeMap);
    }
    Le::put16(out, 0xFFFF);

    Le::set32(out.data() + 8, static_cast<quint32>(out.size()));
    return out;
}

int TableDefinitionPageCount(const JetFormat &format, qsizetype streamLength) {
    if (streamLength <= format.pageSize)
        return 1;
    const qsizetype perPage = format.pageSize - 8;
    return 1 + static_cast<int>((streamLength - format.pageSize + perPage - 1) / perPage);
}

void WriteTableDefinitionPages(const JetFormat &format, const QByteArray &stream,
                               const QList<quint32> &pages, QByteArray &image) {
    Q_ASSERT(pages.size() == TableDefinitionPageCount(format, stream.size()));
    qsizetype from = 0;
    for (int i = 0; i < pages.size(); ++i) {
        char *page = image.data() + qsizetype(pages[i]) * format.pageSize;
        const qsizetype header = i == 0 ? 0 : 8;
        const qsizetype length =
            std::min<qsizetype>(stream.size() - from, format.pageSize - header);
        std::memcpy(page + header, stream.constData() + from, static_cast<size_t>(length));
        from += length;
        page[0] = 0x02;
        page[1] = 0x01;
        if (format.jet3)
            std::memcpy(page + 2, "VC", 2);
        else
            Le::set16(page + 2,
                      std::max<int>(0, format.pageSize - static_cast<int>(header + length) - 8));
        Le::set32(page + 4, i + 1 < pages.size() ? pages[i + 1] : 0);
    }
}

QByteArray EncodeRecord(const JetFormat &format, const QList<ColumnLayout> &layout,
                        const QList<std::optional<QByteArray>> &values) {
    Q_ASSERT(values.size() == layout.size());
    const auto columnCount = static_cast<int>(layout.size());
    QByteArray out;
    if (format.jet3)
        Le::put8(out, columnCount);
    else
        Le::put16(out, columnCount);
    const int countSize = static_cast<int>(out.size());

    QByteArray nullMask((columnCount + 7) / 8, '\0');
    QList<const ColumnLayout *> variable;
    int fixedEnd = 0;
    for (const ColumnLayout &c : layout) {
        if (values[c.number])
            nullMask[c.number / 8] =
                static_cast<char>(nullMask[c.number / 8] | (1 << (c.number % 8)));
        if (!c.fixed)
            variable << &c;
        else if (c.storedType != 0x01)
            fixedEnd = std::max(fixedEnd, c.fixedOffset + c.length);
    }
    out.append(fixedEnd, '\0');
    for (const ColumnLayout &c : layout) {
        if (c.fixed && c.storedType != 0x01 && values[c.number]) {
            const QByteArray &v = *values[c.number];
            std::memcpy(out.data() + countSize + c.fixedOffset, v.constData(),
                        static_cast<size_t>(std::min<qsizetype>(v.size(), c.length)));
        }
    }

    if (!variable.isEmpty()) {
        std::sort(variable.begin(), variable.end(),
                  [](auto *a, auto *b) { return a->variableIndex < b->variableIndex; });
        QList<int> offsets;
        for (const ColumnLayout *c : variable) {
            offsets << static_cast<int>(out.size());
            if (values[c->number])
                out += *values[c->number];
        }
        offsets << static_cast<int>(out.size()); // where the variable data ends
        if (format.jet3)
            return out + Jet3OffsetTable(offsets, nullMask.size()) + nullMask;
        for (auto it = offsets.crbegin(); it != offsets.crend(); ++it)
            Le::put16(out, *it);
        Le::put16(out, static_cast<int>(variable.size()));
    }
    return out + nullMask;
}

QByteArray LongValueField(quint32 length, quint32 pointer, bool chained) {
    QByteArray out;
    Le::put24(out, length);
    Le::put8(out, chained ? 0x00 : 0x40);
    Le::put32(out, pointer);
    Le::put32(out, 0);
    return out;
}

QByteArray InlineMemo(const QByteArray &text) {
    QByteArray out;
    Le::put24(out, static_cast<quint32>(text.size()));
    Le::put8(out, 0x80); // the value follows here
    Le::put32(out, 0);
    Le::put32(out, 0);
    return out + text;
}
