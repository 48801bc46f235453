#pragma once

#include <QProcessEnvironment>
#include <QString>

// A locale whose numbers have a decimal comma, as on a German desktop, made
// with localedef into a folder of the test's own (Debian ships compiled
// locales only for what the machine's owner chose; the definitions come
// with the package locales).
class CommaLocale {
public:
    static constexpr char Name[] = "de_DE.UTF-8";

    // Made in the folder; fails the calling test and gives false where
    // localedef cannot make it.
    bool make(const QString &folder);

    // The environment that runs a program in it.
    QProcessEnvironment environment() const;

    // While alive, this process is in the locale (all of it, as Qt sets it
    // from the environment at start); the locale before is put back after.
    class Use {
    public:
        explicit Use(const CommaLocale &locale);
        ~Use();
        Use(const Use &) = delete;
        Use &operator=(const Use &) = delete;
        // Whether numbers are printed with a comma now.
        bool active() const { return active_; }

    private:
        QByteArray previous_;
        QByteArray previousPath_;
        bool active_ = false;
    };

private:
    QString folder_;
};
