#include "support/CommaLocale.h"

#include <QProcess>
#include <QTest>
#include <clocale>
#include <cstdio>

bool CommaLocale::make(const QString &folder) {
    folder_ = folder;
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {"-i", "de_DE", "-f", "UTF-8", folder + '/' + Name});
    // localedef warns (exit 1) about details of some definitions and still
    // makes the locale; what counts is that it exists afterwards.
    if (!localedef.waitForFinished(120000) || localedef.exitStatus() != QProcess::NormalExit ||
        !QFile::exists(folder + '/' + Name + "/LC_NUMERIC")) {
        qWarning("%s", localedef.readAllStandardError().constData());
        QTest::qFail("localedef cannot make de_DE.UTF-8 (package locales)", __FILE__, __LINE__);
        return false;
    }
    return true;
}

QProcessEnvironment CommaLocale::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LOCPATH"), folder_);
    environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(Name));
    return environment;
}

CommaLocale::Use::Use(const CommaLocale &locale)
    : previous_(setlocale(LC_ALL, nullptr)), previousPath_(qgetenv("LOCPATH")) {
    // glibc reads LOCPATH whenever it loads a locale.
    qputenv("LOCPATH", QFile::encodeName(locale.folder_));
    char text[16];
    active_ = setlocale(LC_ALL, Name) && std::snprintf(text, sizeof text, "%.1f", 0.5) > 0 &&
              text == QByteArray("0,5");
}

CommaLocale::Use::~Use() {
    // LOCPATH first: glibc finds the locales it names only there.
    if (previousPath_.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", previousPath_);
    if (!setlocale(LC_ALL, previous_.constData()))
        qFatal("the locale %s cannot be restored", previous_.constData());
}
