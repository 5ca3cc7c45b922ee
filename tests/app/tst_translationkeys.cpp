// Every text the shell shows is a key with an entry in the Danish table: the keys built in code
// (section titles, introduction texts, guides, about) and the literal keys of the QML files.

#include "cardresultpanel.h"
#include "introductioncontent.h"
#include "languagepickerviewmodel.h"
#include "sidebaritem.h"
#include "starttimetext.h"
#include "timeofday.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTranslator>

namespace {

QString unescapeJs(const QString &literal)
{
    QString out;
    for (int i = 0; i < literal.size(); ++i) {
        if (literal.at(i) == QLatin1Char('\\') && i + 1 < literal.size())
            ++i;
        out.append(literal.at(i));
    }
    return out;
}

QSet<QString> qmlKeys()
{
    QSet<QString> keys;
    // qsTranslate("Vexlo", "...") and the title keys handed to the icon labels and sidebar rows.
    const QRegularExpression translate(
        QStringLiteral(R"re(qsTranslate\("Vexlo",\s*"((?:[^"\\]|\\.)*)"\))re"));
    const QRegularExpression title(QStringLiteral(R"re(\btitle:\s*"((?:[^"\\]|\\.)*)")re"));
    for (const char *folder : {VEXLO_SOURCE_DIR "/src/app", VEXLO_SOURCE_DIR "/src/screens"}) {
        QDirIterator it(QString::fromUtf8(folder), QStringList {QStringLiteral("*.qml")}, QDir::Files,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (const auto &re : {translate, title}) {
                auto matches = re.globalMatch(text);
                while (matches.hasNext())
                    keys.insert(unescapeJs(matches.next().captured(1)));
            }
        }
    }
    return keys;
}

// The literal keys the screens' view-models look up themselves: localized(QStringLiteral("...")).
QSet<QString> screenCodeKeys()
{
    QSet<QString> keys;
    // Not a raw string: moc misreads one that holds a closing parenthesis before a quote.
    const QRegularExpression lookup(
        QStringLiteral("localized\\(\\s*QStringLiteral\\(\"((?:[^\"\\\\]|\\\\.)*)\"\\)"));
    QDirIterator it(QStringLiteral(VEXLO_SOURCE_DIR "/src/screens"), QStringList {QStringLiteral("*.cpp")},
        QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        auto matches = lookup.globalMatch(QString::fromUtf8(file.readAll()));
        while (matches.hasNext())
            keys.insert(unescapeJs(matches.next().captured(1)));
    }
    return keys;
}

QSet<QString> codeKeys()
{
    QSet<QString> keys = screenCodeKeys();
    for (SidebarItem item : allSidebarItems())
        keys.insert(sidebarItemTitle(item));
    for (const InfoSection &section : allInfoSections())
        keys.insert(section.purpose);
    for (const Guide &guide : allGuides()) {
        keys.insert(guide.title);
        keys.insert(guide.summary);
        for (const QString &step : guide.steps)
            keys.insert(step);
    }
    for (const AboutBlock &block : aboutBlocks()) {
        keys.insert(block.heading);
        keys.insert(block.body);
    }
    for (const QString &key : raceDayTextKeys())
        keys.insert(key);
    return keys;
}

} // namespace

class TestTranslationKeys : public QObject
{
    Q_OBJECT
private slots:
    void qmlFilesWereFound()
    {
        const QSet<QString> keys = qmlKeys();
        for (const char *key :
            {"Save Event...", "Tools", "Select a section", "Refresh Ports", "No card read yet"})
            QVERIFY2(keys.contains(QString::fromUtf8(key)), key);
        QVERIFY(screenCodeKeys().contains(
            QStringLiteral("\"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30.")));
    }

    // Every message that shows how to type a time of day, in the code and in both languages'
    // tables, gives the same examples, and both readers of typed times (the setup screens' start
    // windows and the start list's times) read each example as half past nine.
    void typedTimeExamplesAreOneAndRead()
    {
        const QStringList examples {QStringLiteral("9:30"), QStringLiteral("9.30"), QStringLiteral("09:30")};
        for (const QString &example : examples) {
            QCOMPARE(parseTimeOfDay(example), std::optional<qint64>(9 * 3600 + 30 * 60));
            QCOMPARE(parseStartTimeText(example), std::optional<QString>(QStringLiteral("09:30:00")));
        }
        const QString english
            = QStringLiteral("Type it as %1, %2 or %3.").arg(examples[0], examples[1], examples[2]);
        const QString danish
            = QStringLiteral("Skriv det som %1, %2 eller %3.").arg(examples[0], examples[1], examples[2]);
        const auto names = [&](const QString &text, const QString &clause) {
            // The clause ends the message or is followed by where the field is.
            return text.contains(clause) || text.contains(QString(clause).chopped(1) + QLatin1Char(' '));
        };
        QStringList otherExamples;
        int messages = 0;

        // The literals of the code, adjacent pieces joined.
        const QRegularExpression literal(
            QStringLiteral("QStringLiteral\\(((?:\\s*\"(?:[^\"\\\\]|\\\\.)*\")+)\\s*\\)"));
        const QRegularExpression piece(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
        QDirIterator code(QStringLiteral(VEXLO_SOURCE_DIR "/src"), QStringList {QStringLiteral("*.cpp")},
            QDir::Files, QDirIterator::Subdirectories);
        while (code.hasNext()) {
            QFile file(code.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto literals = literal.globalMatch(QString::fromUtf8(file.readAll()));
            while (literals.hasNext()) {
                QString text;
                auto pieces = piece.globalMatch(literals.next().captured(1));
                while (pieces.hasNext())
                    text += unescapeJs(pieces.next().captured(1));
                if (!text.contains(QLatin1String("not a time of day")))
                    continue;
                ++messages;
                if (!names(text, english))
                    otherExamples.append(text);
            }
        }
        QVERIFY(messages >= 4);

        // The tables: each English key and its Danish translation.
        const QRegularExpression message(
            QStringLiteral("<source>(.*?)</source>\\s*<translation>(.*?)</translation>"),
            QRegularExpression::DotMatchesEverythingOption);
        int translated = 0;
        QDirIterator tables(QStringLiteral(VEXLO_SOURCE_DIR "/src/localization/translations"),
            QStringList {QStringLiteral("*.ts")}, QDir::Files);
        while (tables.hasNext()) {
            const QString path = tables.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto matches = message.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext()) {
                const QRegularExpressionMatch m = matches.next();
                if (!m.captured(1).contains(QLatin1String("not a time of day")))
                    continue;
                ++translated;
                if (!names(m.captured(1), english))
                    otherExamples.append(m.captured(1));
                if (!names(m.captured(2), path.endsWith(QLatin1String("_da.ts")) ? danish : english))
                    otherExamples.append(m.captured(2));
            }
        }
        QVERIFY(translated >= 6);
        QVERIFY2(otherExamples.isEmpty(), qPrintable(otherExamples.join(u'\n')));
    }

    void everyKeyHasADanishEntry()
    {
        QTranslator danish;
        QVERIFY(danish.load(AppTranslator::tablePath(QStringLiteral("da"))));
        QStringList missing;
        for (const QString &key : qmlKeys() + codeKeys()) {
            if (danish.translate("Vexlo", key.toUtf8().constData()).isEmpty())
                missing.append(key);
        }
        missing.sort();
        if (!missing.isEmpty())
            qWarning().noquote() << "missing Danish entries:\n " << missing.join(QStringLiteral("\n  "));
        QVERIFY(missing.isEmpty());
    }

    // The application runs on Linux: no text the window shows speaks of the Mac, in any language.
    void noTextSpeaksOfTheMac()
    {
        const QRegularExpression mac(
            QStringLiteral("\\bmac(os)?\\b|mac-native|os x"), QRegularExpression::CaseInsensitiveOption);
        QTranslator danish;
        QVERIFY(danish.load(AppTranslator::tablePath(QStringLiteral("da"))));
        QStringList found;
        for (const QString &key : qmlKeys() + codeKeys()) {
            const QString da = danish.translate("Vexlo", key.toUtf8().constData());
            if (mac.match(key).hasMatch() || mac.match(da).hasMatch())
                found.append(key);
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
        QVERIFY(qmlKeys().contains(
            QStringLiteral("Orienteering race administration and SI card reader for Linux")));
    }

    // The SportIdent station has one Danish name, "station", wherever a text speaks of it: an
    // organiser told the station is lost must not have to guess that "enheden" is the same thing.
    void theStationHasOneDanishName()
    {
        const QRegularExpression english(
            QStringLiteral("\\bstation"), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression message(
            QStringLiteral("<source>(.*?)</source>\\s*<translation>(.*?)</translation>"),
            QRegularExpression::DotMatchesEverythingOption);
        QStringList otherNames;
        int spoken = 0;
        QDirIterator it(QStringLiteral(VEXLO_SOURCE_DIR "/src/localization/translations"),
            QStringList {QStringLiteral("*_da.ts")}, QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto matches = message.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext()) {
                const QRegularExpressionMatch m = matches.next();
                if (!english.match(m.captured(1)).hasMatch())
                    continue;
                ++spoken;
                if (m.captured(2).contains(QLatin1String("enhed"), Qt::CaseInsensitive))
                    otherNames.append(m.captured(2));
            }
        }
        QVERIFY(spoken > 20);
        QVERIFY2(otherNames.isEmpty(), qPrintable(otherNames.join(u'\n')));
    }

    void danishDiffersWhereItShould()
    {
        QTranslator danish;
        QVERIFY(danish.load(AppTranslator::tablePath(QStringLiteral("da"))));
        QCOMPARE(danish.translate("Vexlo", "Entries"), QStringLiteral("Tilmeldinger"));
        QCOMPARE(danish.translate("Vexlo", "Save Event..."), QStringLiteral("Gem løb..."));
    }
};

QTEST_GUILESS_MAIN(TestTranslationKeys)
#include "tst_translationkeys.moc"
