// The Metsä upload document. Every case under tests/data/online/metsa: <case>.json holds a race,
// <case>.xml the exact document; each document also validates against the IOF 3.0 schema.

#include "documenttestsupport.h"
#include "metsapublisher.h"
#include "racegenerator.h"
#include "testenvironment.h"

class TestMetsaDocument : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Copenhagen")); }

    void document_data() { documenttest::loadEventFiles("online/metsa"); }
    void document()
    {
        QFETCH(QString, event);
        QString error;
        const std::optional<Race> race = documenttest::readEvent(event, &error);
        QVERIFY2(race, qPrintable(error));
        const QByteArray xml = MetsaPublisher::buildResultListXML(*race).toUtf8();
        VERIFY_GOLDEN(
            QStringLiteral("../online/metsa/") + QFileInfo(event).baseName() + QStringLiteral(".xml"), xml);
        VERIFY_IOF_VALID(xml);
    }

    void generatedEventValidates()
    {
        const Race race = generateRace({.entries = 600, .stages = 2, .classes = 12, .courses = 6});
        const QByteArray xml = MetsaPublisher::buildResultListXML(race).toUtf8();
        QCOMPARE(xml.count("<PersonResult>"), 600);
        VERIFY_IOF_VALID(xml);
    }

    // A document of some megabytes is written into the buffer of the last one once nobody holds
    // that: a document still held (an upload in flight) keeps its bytes, and each is whole. Two
    // events take turns, so that a held document written over would show.
    void largeDocumentsKeepTheirBytes()
    {
        RaceGeneratorOptions options {
            .entries = 12000, .stages = 1, .classes = 12, .courses = 6, .splitsPerResult = 1};
        const Race race = generateRace(options);
        ++options.seed;
        const Race other = generateRace(options);
        const QByteArray first = MetsaPublisher::buildResultListUtf8(race);
        QVERIFY(first.size() > 4 << 20);
        const QByteArray firstCopy(first.constData(), first.size());
        QByteArray second = MetsaPublisher::buildResultListUtf8(other);
        QVERIFY(second.size() > 4 << 20);
        const QByteArray secondCopy(second.constData(), second.size());
        QVERIFY(second != firstCopy);
        QCOMPARE(first, firstCopy);
        second.clear();
        QByteArray third = MetsaPublisher::buildResultListUtf8(race);
        QCOMPARE(first, firstCopy);
        QCOMPARE(third, firstCopy);
        third.clear();
        QCOMPARE(MetsaPublisher::buildResultListUtf8(other), secondCopy);
        QCOMPARE(first, firstCopy);
        QCOMPARE(first.count("<PersonResult>"), 12000);
        QVERIFY(first.endsWith("</ResultList>\n"));
    }
};

QTEST_GUILESS_MAIN(TestMetsaDocument)
#include "tst_metsadocument.moc"
