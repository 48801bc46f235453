#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one error type of the program: every operation that fails (other than
// the opens, which give an empty result) throws it with the failing
// component's message, in words the user can read. A failure that comes
// from below may also carry the technical reason (the reader's "the database
// is protected by a password"): the window keeps its own words and logs the
// reason, the command-line tools print both.
class Failure : public std::exception {
public:
    explicit Failure(QString message, QString reason = {})
        : message_(std::move(message)), reason_(std::move(reason)),
          utf8_((reason_.isEmpty() ? message_ : QStringLiteral("%1 (%2)").arg(message_, reason_))
                    .toUtf8()) {}

    const QString &message() const noexcept { return message_; }
    const QString &reason() const noexcept { return reason_; }
    // The message and, in brackets, the reason.
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QString reason_;
    QByteArray utf8_;
};
