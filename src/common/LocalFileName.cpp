#include "common/LocalFileName.h"

namespace LocalFileName {

namespace {

constexpr char16_t EscapeBase = 0xDC00; // + the byte, which is 0x80 or more

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at bytes[at], or 0 when none starts
// there: overlong forms, encoded surrogates and code points above U+10FFFF
// are not valid.
qsizetype ValidSequenceAt(const QByteArray &bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[at + i]); };
    const qsizetype left = bytes.size() - at;
    const unsigned char first = byte(0);
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return left >= 2 && IsContinuation(byte(1)) ? 2 : 0;
    if (first >= 0xE0 && first <= 0xEF) {
        if (left < 3 || !IsContinuation(byte(1)) || !IsContinuation(byte(2)))
            return 0;
        if ((first == 0xE0 && byte(1) < 0xA0) || (first == 0xED && byte(1) >= 0xA0))
            return 0;
        return 3;
    }
    if (first >= 0xF0 && first <= 0xF4) {
        if (left < 4 || !IsContinuation(byte(1)) || !IsContinuation(byte(2)) ||
            !IsContinuation(byte(3)))
            return 0;
        if ((first == 0xF0 && byte(1) < 0x90) || (first == 0xF4 && byte(1) >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

bool IsEscapedByte(char16_t unit) {
    return unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF;
}

} // namespace

QString decode(const QByteArray &bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype validFrom = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = ValidSequenceAt(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + validFrom, at - validFrom);
        name += QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[at])));
        validFrom = ++at;
    }
    name += QString::fromUtf8(bytes.constData() + validFrom, bytes.size() - validFrom);
    return name;
}

QByteArray encode(const QString &name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype textFrom = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at].unicode();
        if (!IsEscapedByte(unit))
            continue;
        // An escape is a lone low surrogate; after a high one it would be
        // half of a pair, which decode never makes of a byte.
        if (at > 0 && name[at - 1].isHighSurrogate())
            continue;
        bytes += QStringView(name).mid(textFrom, at - textFrom).toUtf8();
        bytes += static_cast<char>(unit - EscapeBase);
        textFrom = at + 1;
    }
    bytes += QStringView(name).mid(textFrom).toUtf8();
    return bytes;
}

QStringList arguments(int argc, char *argv[]) {
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << decode(QByteArray(argv[i]));
    return list;
}

} // namespace LocalFileName
