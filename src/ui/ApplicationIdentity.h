#pragma once

#include "common/Version.h"

#include <QString>

// The application's title and version as the windows show them: the major
// and the revision number only, "1.1" for version 1.00.0001.
namespace ApplicationIdentity {

inline QString Title() {
    return QString::fromLatin1(Version::ApplicationTitle);
}

inline QString VersionText(int major = Version::Major, int revision = Version::Revision) {
    return QStringLiteral("%1.%2").arg(major).arg(revision);
}

// The project's address, as the about box, the package and the AppStream
// metadata name it.
inline QString Homepage() {
    return QString::fromLatin1(Version::Homepage);
}

} // namespace ApplicationIdentity
