#include "commandline.h"

#include "vexloversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <functional>

namespace {

using Translate = std::function<QString(const char *)>;

// The parser with Vexlo's options; every text of its own through `tr`.
void setUp(QCommandLineParser &parser, const Translate &tr)
{
    parser.setApplicationDescription(tr(
        "Vexlo sets up orienteering events, reads SportIdent cards on race day and evaluates the results."));
    parser.addPositionalArgument(tr("FILE"), tr("The event file (.vexloevent.json) to open."), tr("[FILE]"));
    // Vexlo's own help and version options rather than Qt's, whose texts Qt's tables do not all
    // translate.
    parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, tr("Shows this help.")));
    parser.addOption(
        QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")}, tr("Shows Vexlo's version.")));
}

// A second file is a mistake, not a second window: one event is open at a time.
QString mistakeOf(const QCommandLineParser &parser, bool parsed, const Translate &tr)
{
    if (!parsed)
        return parser.errorText();
    if (parser.positionalArguments().size() > 1)
        return tr("Only one event file can be opened at a time.");
    return {};
}

} // namespace

CommandLine readCommandLine(const QStringList &arguments, const QString &workingFolder)
{
    QCommandLineParser parser;
    const Translate same = [](const char *key) { return QString::fromUtf8(key); };
    setUp(parser, same);
    const bool parsed = parser.parse(arguments);
    CommandLine line;
    if (!mistakeOf(parser, parsed, same).isEmpty() || parser.isSet(QStringLiteral("help"))
        || parser.isSet(QStringLiteral("version"))) {
        line.answersOnly = true;
        return line;
    }
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty() && !files.first().isEmpty())
        line.file = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(files.first()));
    return line;
}

CommandLineAnswer answerCommandLine(const QStringList &arguments, AppLanguage language)
{
    // Qt's own words ("Usage: %1", "Displays version information.") and Vexlo's table.
    QTranslator qtTable;
    QTranslator table;
    if (language != AppLanguage::English) {
        if (qtTable.load(QLocale(toText(language)), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qtTable);
        if (table.load(QStringLiteral(":/i18n/vexlo_%1.qm").arg(toText(language))))
            QCoreApplication::installTranslator(&table);
    }
    const Translate tr = [](const char *key) { return QCoreApplication::translate("Vexlo", key); };
    QCommandLineParser parser;
    setUp(parser, tr);
    const bool parsed = parser.parse(arguments);
    CommandLineAnswer answer;
    if (const QString mistake = mistakeOf(parser, parsed, tr); !mistake.isEmpty()) {
        answer.exitCode = 1;
        answer.err = mistake + QLatin1Char('\n') + parser.helpText();
    } else if (parser.isSet(QStringLiteral("version"))) {
        answer.out = QStringLiteral("Vexlo ") + QString::fromLatin1(vexloVersion) + QLatin1Char('\n');
    } else {
        answer.out = parser.helpText();
    }
    QCoreApplication::removeTranslator(&table);
    QCoreApplication::removeTranslator(&qtTable);
    return answer;
}

AppLanguage environmentLanguage()
{
    return LocalizationManager::firstLaunchDefault(QLocale::system().uiLanguages());
}
