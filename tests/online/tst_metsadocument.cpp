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
};

QTEST_GUILESS_MAIN(TestMetsaDocument)
#include "tst_metsadocument.moc"
