#pragma once

#include <QJsonObject>
#include <QString>

// The real Access files the tests read: QUILLMERE_FIXTURES, else the shared
// fixtures folder beside the checkout.
namespace Fixtures {

// The folder, or an empty string when it is not there.
QString directory();

// The full path of one fixture file.
QString path(const QString &name);

// The bytes of one fixture file; empty when it cannot be read.
QByteArray bytes(const QString &name);

// Skips the calling test, with a message, when the fixtures are absent.
#define REQUIRE_FIXTURES()                                                                         \
    do {                                                                                           \
        if (Fixtures::directory().isEmpty())                                                       \
            QSKIP("the Access fixtures are not available (../shared/fixtures or "                  \
                  "QUILLMERE_FIXTURES)");                                                          \
    } while (false)

// expected/NAME.json of a fixture: what an independent reader sees in it.
QJsonObject expected(const QString &name);

// The format byte of an Access file: 0 Jet 3, 1 Jet 4, 2 and up ACE.
int formatOf(const QString &path);

} // namespace Fixtures
