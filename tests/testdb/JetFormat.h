#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstring>

// The two on-disk formats our test databases come in: Jet 4 (Access 2000 to
// 2003, 4096-byte pages, names in UTF-16LE) and Jet 3 (Access 97, 2048-byte
// pages, names in the code page the header names). Everything that differs
// between them in what we write is a constant here or a branch on jet3.
struct JetFormat {
    bool jet3 = false;
    int pageSize = 4096;
    int rowCountOffset = 12;     // data pages: the row count, then the row offsets
    int mapBitmapBytes = 64;     // usage maps stored within a row
    int tdefHeaderSize = 63;     // table definition up to the real index entries
    int realIndexEntrySize = 12; // row counts of the real indexes
    int columnEntrySize = 25;
    int realIndexDefinitionSize = 52;
    int logicalIndexDefinitionSize = 28;
    int nameLengthSize = 2;      // of column and index names
    int firstIndexEntry = 0x1E0; // index pages: where entries begin
    quint16 codePage = 1252;     // in the header; Jet 3 text is in this code page

    static JetFormat Jet4() { return JetFormat{}; }
    static JetFormat Jet3(quint16 codePage) {
        JetFormat f;
        f.jet3 = true;
        f.pageSize = 2048;
        f.rowCountOffset = 8;
        f.mapBitmapBytes = 128;
        f.tdefHeaderSize = 43;
        f.realIndexEntrySize = 8;
        f.columnEntrySize = 18;
        f.realIndexDefinitionSize = 39;
        f.logicalIndexDefinitionSize = 20;
        f.nameLengthSize = 1;
        f.firstIndexEntry = 0xF8;
        f.codePage = codePage;
        return f;
    }

    // A usage map row: its type byte, then a start page or page pointers.
    int mapRowSize() const { return 5 + mapBitmapBytes; }
    // The pages one usage map page (type 0x05) covers.
    int pagesPerMapPage() const { return (pageSize - 4) * 8; }

    // Text as the format stores it: UTF-16LE, or the header's code page.
    // Throws Failure for text the code page cannot hold.
    QByteArray encodeText(const QString &text) const;
};

// Little-endian values appended to, or written into, a byte array.
namespace Le {

inline void put8(QByteArray &out, int v) {
    out.append(static_cast<char>(v & 0xFF));
}
inline void put16(QByteArray &out, int v) {
    put8(out, v);
    put8(out, v >> 8);
}
inline void put24(QByteArray &out, quint32 v) {
    put16(out, static_cast<int>(v & 0xFFFF));
    put8(out, static_cast<int>(v >> 16));
}
inline void put32(QByteArray &out, quint32 v) {
    put16(out, static_cast<int>(v & 0xFFFF));
    put16(out, static_cast<int>(v >> 16));
}
inline void putDouble(QByteArray &out, double d) {
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    put32(out, static_cast<quint32>(bits));
    put32(out, static_cast<quint32>(bits >> 32));
}

inline void set16(char *at, int v) {
    qToLittleEndian(static_cast<quint16>(v), at);
}
inline void set32(char *at, quint32 v) {
    qToLittleEndian(v, at);
}

} // namespace Le

// A reference to a row: its page in the high 24 bits, its number below.
inline quint32 PageRow(quint32 page, int row) {
    return page << 8 | static_cast<quint32>(row);
}
