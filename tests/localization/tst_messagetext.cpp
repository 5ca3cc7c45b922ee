// Messages composed in English by the services, parsers and the store, as the window shows them in
// each language: the words of the tables translated, outside words quoted, nothing else touched.

#include "casetable.h"
#include "localization.h"
#include "messagetext.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

class TestMessageText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { LocalizationManager::setShared(nullptr); }

    void shown_data() { casetable::load("localization/messages.tsv"); }
    void shown()
    {
        QFETCH(QStringList, cells);
        LocalizationManager language {QStringList {cells[0]}};
        language.setLanguageCode(cells[0]);
        LocalizationManager::setShared(&language);
        const MessageTranslation shown = translateMessage(cells[1]);
        QCOMPARE(shown.text, cells[2]);
        QCOMPARE(shown.known, cells[3] == u"yes");
        QVERIFY2(shown.missingKeys.isEmpty(), qPrintable(shown.missingKeys.join(u'\n')));
    }

    // Every status a service can publish and every message a parser, import or save can give,
    // with sample arguments: each is built from the tables and the Danish table has each key.
    void everyServiceMessageIsDanish()
    {
        LocalizationManager language {QStringList {QStringLiteral("da")}};
        language.setLanguage(AppLanguage::Danish);
        LocalizationManager::setShared(&language);
        QStringList problems;
        int count = 0;
        for (const QByteArray &raw :
            casetable::readData(QStringLiteral("localization/service-messages.txt")).split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.trimmed().isEmpty() || line.startsWith(u'#'))
                continue;
            ++count;
            const MessageTranslation shown = translateMessage(casetable::unescape(line));
            if (!shown.known || !shown.missingKeys.isEmpty() || shown.text == line)
                problems.append(line + QStringLiteral(" -> ") + shown.text);
        }
        QVERIFY(count > 80);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // The keys the recognition works from are the tables the application carries.
    void keysComeFromTheTables()
    {
        const QStringList &keys = allTableKeys();
        QVERIFY(keys.contains(QStringLiteral("Publish failed: %@")));
        QVERIFY(keys.contains(QStringLiteral("Entries")));
        QCOMPARE(keys.size(), QSet<QString>(keys.cbegin(), keys.cend()).size());
    }
};

QTEST_GUILESS_MAIN(TestMessageText)
#include "tst_messagetext.moc"
