#pragma once

// What ctest gives every test (cmake/VexloTesting.cmake), set by the test itself, so that a run by
// hand from any shell gives the result ctest gives and never touches the user's own files. Called
// from the test class's static initMain(), which QTest runs before it builds the application
// object: the application object takes the C library's locale and chooses the platform when it is
// built, and the zone must be set before the first local time is worked out.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <ctime>

// The zone and locale every expected text and time is written in, a platform that needs no
// display, and a home, XDG and temporary folders of the test's own (settings, autosaves, files
// saved "in the home folder"), removed when the program ends.
inline void pinTestEnvironment(const char *timeZone = "Europe/Copenhagen")
{
    qputenv("TZ", timeZone);
    tzset();
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("QT_QPA_PLATFORM", "offscreen");

    static QTemporaryDir home;
    if (!home.isValid())
        qFatal("no private home folder: %s", qPrintable(home.errorString()));
    qputenv("HOME", QFile::encodeName(home.path()));
    const std::pair<const char *, const char *> folders[] = {{"XDG_CONFIG_HOME", "config"},
        {"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto &[variable, name] : folders) {
        const QString path = home.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    }
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Temporary folders too, and those of the programs the test starts: one a test forgets, or
    // that a settings file written late brings back, goes with the home when the program ends.
    const QString temp = home.filePath(QStringLiteral("tmp"));
    QDir().mkpath(temp);
    qputenv("TMPDIR", QFile::encodeName(temp));
}
