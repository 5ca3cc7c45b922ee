#pragma once

// The command line of the `vexlo` program: `vexlo [FILE]` starts the window with the event file
// FILE open (as Open does), `--help` and `--version` print and leave. Reading the arguments needs
// no application object, so that `--version` and `--help` work without a display.

#include "localization.h"

#include <QString>
#include <QStringList>

struct CommandLine
{
    // The event file to open, resolved against the working folder; empty for none.
    QString file;
    // --help, --version or a mistake in the arguments: answerCommandLine() says what to print,
    // and no window opens.
    bool answersOnly = false;
};

// `arguments` as the process got them, the program first.
[[nodiscard]] CommandLine readCommandLine(const QStringList &arguments, const QString &workingFolder);

struct CommandLineAnswer
{
    int exitCode = 0;
    QString out;
    QString err;
};

// What --help, --version or a mistake prints, in `language`: Vexlo's own texts from its tables,
// Qt's ("Usage:", "Options:") from Qt's translations. Needs the application object.
[[nodiscard]] CommandLineAnswer answerCommandLine(const QStringList &arguments, AppLanguage language);

// The language the environment asks for (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): Danish when its
// first choice is Danish, else English. The window's language is Vexlo's own setting; the
// command line, which has no window, follows the environment.
[[nodiscard]] AppLanguage environmentLanguage();
