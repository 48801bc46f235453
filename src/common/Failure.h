#pragma once

#include "common/FailureKind.h"

#include <QByteArray>
#include <QString>
#include <exception>

// The one error type of the program: every operation that fails throws it
// with its kind and the failing component's message, in words the user can
// read. A failure that comes from below may also carry the technical reason
// (the reader's "the database is protected by a password"): the window
// keeps its own words and logs the reason, the command-line tools print
// both.
//
// The opens, which give an empty result instead of throwing (a null
// connection, no catalog), say why through the same type: an
// std::optional<Failure> that the caller may pass, filled when the result
// is empty.
class Failure : public std::exception {
public:
    Failure(FailureKind kind, QString message, QString reason = {})
        : kind_(kind), message_(std::move(message)), reason_(std::move(reason)),
          utf8_((reason_.isEmpty() ? message_ : QStringLiteral("%1 (%2)").arg(message_, reason_))
                    .toUtf8()) {}
    // A failure that comes of a lower one: of the lower one's kind, or of
    // another the caller chooses, with the lower one's words as its reason.
    Failure(QString message, const Failure &lower)
        : Failure(lower.kind(), std::move(message), lower.reasonOrMessage()) {}
    Failure(FailureKind kind, QString message, const Failure &lower)
        : Failure(kind, std::move(message), lower.reasonOrMessage()) {}

    FailureKind kind() const noexcept { return kind_; }
    // The kind's name, as the log gives it: "Protected".
    QString kindName() const {
        const std::string_view name = FailureKindName(kind_);
        return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    const QString &message() const noexcept { return message_; }
    const QString &reason() const noexcept { return reason_; }
    // Why, in the most precise words there are: the reason, or the message
    // of a failure that has none.
    const QString &reasonOrMessage() const noexcept {
        return reason_.isEmpty() ? message_ : reason_;
    }
    // The message and, in brackets, the reason.
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    FailureKind kind_;
    QString message_;
    QString reason_;
    QByteArray utf8_;
};
