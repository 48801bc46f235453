#pragma once

#include <QString>
#include <cstring>

// The system's words for an errno value, for the reason of a failure.
inline QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
