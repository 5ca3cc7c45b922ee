// Every line of tests/data/iof/refusals.txt: a wrong file offered to the course or entry import of
// an event that already holds a good course file and entry list. The import must fail with the
// line's message, save nothing, and leave the event file's bytes exactly as they were.
#include "casetable.h"
#include "coursesetup.h"
#include "entryimport.h"
#include "racejson.h"

#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    return casetable::readFile(
        (path.startsWith(QStringLiteral("examples/")) ? QStringLiteral(VEXLO_IOF_DIR "/")
                                                      : QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/"))
        + path);
}

QByteArray json(const Race &race)
{
    const auto bytes = encodeRace(race, JsonLayout::PrettySorted);
    if (!bytes)
        qFatal("cannot encode the race");
    return *bytes;
}

} // namespace

class TestImportRefusals : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        QTest::addColumn<QString>("importer");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        for (const QStringList &cells : casetable::rows(QStringLiteral("iof/refusals.txt")))
            QTest::addRow("%s %s", qPrintable(cells[0]), qPrintable(cells[1]))
                << cells[0] << cells[1] << cells[2];
    }
    void refused()
    {
        QFETCH(QString, importer);
        QFETCH(QString, path);
        QFETCH(QString, message);
        Race race;
        importCourseData(
            race, readFile(QStringLiteral("refused/good-courses.xml")), QStringLiteral("good-courses.xml"));
        applyDownloadedEntries(race, readFile(QStringLiteral("refused/good-entries.xml")), std::nullopt);
        QCOMPARE(race.courses.size(), 1);
        QCOMPARE(race.participants.size(), 2);
        const QByteArray before = json(race);
        const QByteArray bytes = readFile(path);
        bool saved = false;
        QString shown;
        try {
            if (importer == u"courses")
                importCourseData(race, bytes, QStringLiteral("wrong.xml"), [&] { saved = true; });
            else
                applyDownloadedEntries(race, bytes, std::nullopt);
        } catch (const ImportError &e) {
            shown = e.message();
        }
        if (message.endsWith(QStringLiteral("...")))
            QVERIFY2(shown.startsWith(message.chopped(3)), qPrintable(shown));
        else
            QCOMPARE(shown, message);
        QVERIFY(!saved);
        QCOMPARE(json(race), before);
    }
};

QTEST_GUILESS_MAIN(TestImportRefusals)
#include "tst_importrefusals.moc"
