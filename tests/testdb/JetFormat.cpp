#include "testdb/JetFormat.h"

#include "common/Failure.h"

#include <iconv.h>

QByteArray JetFormat::encodeText(const QString &text) const {
    if (!jet3) {
        QByteArray out;
        out.reserve(text.size() * 2);
        for (const QChar c : text) // surrogate pairs stay as they are
            Le::put16(out, c.unicode());
        return out;
    }
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t converter = iconv_open(name.constData(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw Failure(FailureKind::Internal,
                      QStringLiteral("code page %1 is not known here").arg(codePage));
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 4, '\0');
    char *from = in.data();
    size_t fromLeft = static_cast<size_t>(in.size());
    char *to = out.data();
    size_t toLeft = static_cast<size_t>(out.size());
    const size_t done = iconv(converter, &from, &fromLeft, &to, &toLeft);
    iconv_close(converter);
    if (done == static_cast<size_t>(-1) || fromLeft != 0)
        throw Failure(
            FailureKind::Internal,
            QStringLiteral("\"%1\" cannot be written in code page %2").arg(text).arg(codePage));
    out.truncate(out.size() - static_cast<int>(toLeft));
    return out;
}
