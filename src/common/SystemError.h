#pragma once

#include "common/ErrorText.h"

#include <QString>

// An errno value in words for the user (see ErrorText.h), for the reason of
// a failure.
inline QString SystemError(int error) {
    return QString::fromStdString(JapaneseErrorText(error));
}
