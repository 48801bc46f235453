#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one error type of the program: every operation that fails (other than
// the opens, which give an empty result) throws it with the failing
// component's message, in words the user can read.
class Failure : public std::exception {
public:
    explicit Failure(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    const QString &message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
