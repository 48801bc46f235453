#pragma once

#include "common/Failure.h"

#include <QtGlobal>
#include <limits>

// Sheet row and column numbers are 16-bit signed integers: a sum outside
// that range is an overflow failure, raised before the cell concerned is
// written.
inline qint16 Add16(qint16 a, qint32 b) {
    const qint32 sum = qint32{a} + b;
    if (sum > std::numeric_limits<qint16>::max() || sum < std::numeric_limits<qint16>::min())
        throw Failure(FailureKind::Internal,
                      QStringLiteral("行または列の番号が %1 を超えました（オーバーフロー）。")
                          .arg(std::numeric_limits<qint16>::max()));
    return static_cast<qint16>(sum);
}
