#include "support/Failures.h"

#include <QByteArray>
#include <string>

char *toString(FailureKind kind) {
    return qstrdup(std::string(FailureKindName(kind)).c_str());
}
