#include "iofentrylistparser.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray entryList(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<EntryList xmlns=\"http://www.orienteering.org/datastandard/3.0\" iofVersion=\"3.0\">"
        + body + "</EntryList>";
}

QByteArray person(const QByteArray &given, const QByteArray &family)
{
    return "<Person><Name><Family>" + family + "</Family><Given>" + given + "</Given></Name></Person>";
}

const RaceClass *findClass(const QList<RaceClass> &classes, const QString &id)
{
    for (const RaceClass &c : classes) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

} // namespace

class TestIofEntryListParser : public QObject
{
    Q_OBJECT

private slots:
    void classes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QString>>("classId");
        QTest::addColumn<QString>("className");
        QTest::addColumn<int>("classCount");
        const QByteArray p = person("Ann", "Berg");
        QTest::newRow("id and name") << "<PersonEntry>" + p
                + "<Class><Id>5</Id><Name>H21</Name></Class></PersonEntry>"
                                     << std::optional<QString>("5") << "H21" << 1;
        QTest::newRow("only id, named by the class list")
            << "<ClassList><Class><Id>5</Id><Name>D21</Name></Class></ClassList><PersonEntry>" + p
                + "<Class><Id>5</Id></Class></PersonEntry>"
            << std::optional<QString>("5") << "D21" << 1;
        QTest::newRow("only id, no class list")
            << "<PersonEntry>" + p + "<Class><Id>5</Id></Class></PersonEntry>" << std::optional<QString>("5")
            << "5" << 1;
        QTest::newRow("only name") << "<PersonEntry>" + p + "<Class><Name>Open</Name></Class></PersonEntry>"
                                   << std::optional<QString>("Open") << "Open" << 1;
        QTest::newRow("id attribute")
            << "<PersonEntry>" + p + "<Class id=\"9\"><Name>D45</Name></Class></PersonEntry>"
            << std::optional<QString>("9") << "D45" << 1;
        QTest::newRow("class under EntryClass") << "<PersonEntry>" + p
                + "<EntryClass><Class><Id>3</Id><Name>Kort</Name></Class></EntryClass></PersonEntry>"
                                                << std::optional<QString>("3") << "Kort" << 1;
        QTest::newRow("ClassId child") << "<PersonEntry>" + p + "<ClassId>12</ClassId></PersonEntry>"
                                       << std::optional<QString>("12") << "12" << 1;
        QTest::newRow("ClassId keeps an existing class's name")
            << "<ClassList><Class id=\"12\"><Name>Elite</Name></Class></ClassList><PersonEntry>" + p
                + "<ClassId>12</ClassId></PersonEntry>"
            << std::optional<QString>("12") << "Elite" << 1;
        QTest::newRow("class without id and name")
            << "<PersonEntry>" + p + "<Class/></PersonEntry>" << std::optional<QString>() << "" << 0;
        QTest::newRow("no class at all")
            << "<PersonEntry>" + p + "</PersonEntry>" << std::optional<QString>() << "" << 0;
    }
    void classes()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QString>, classId);
        QFETCH(QString, className);
        QFETCH(int, classCount);
        const auto result = IOFEntryListParser::parse(entryList(body));
        QCOMPARE(result.participants.size(), 1);
        QCOMPARE(result.participants[0].classId, classId);
        QCOMPARE(result.classes.size(), classCount);
        if (classId) {
            const RaceClass *cls = findClass(result.classes, *classId);
            QVERIFY(cls);
            QCOMPARE(cls->name, className);
            QVERIFY(!cls->courseId && !cls->mode);
        }
    }

    void laterEntryRenamesClass()
    {
        const auto result = IOFEntryListParser::parse(entryList("<PersonEntry>" + person("A", "B")
            + "<Class><Id>5</Id><Name>H21</Name></Class></PersonEntry>" + "<PersonEntry>" + person("C", "D")
            + "<Class><Id>5</Id><Name>H21E</Name></Class></PersonEntry>"));
        QCOMPARE(result.classes.size(), 1);
        QCOMPARE(result.classes[0].name, QStringLiteral("H21E"));
    }

    void fields_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("card");
        QTest::addColumn<std::optional<QString>>("club");
        QTest::newRow("trimmed card")
            << QByteArray("<ControlCard>  123456\n </ControlCard>") << "123456" << std::optional<QString>();
        QTest::newRow("empty card") << QByteArray("<ControlCard/>") << "" << std::optional<QString>();
        QTest::newRow("missing card") << QByteArray() << "" << std::optional<QString>();
        QTest::newRow("card text unchecked")
            << QByteArray("<ControlCard>SI-9</ControlCard>") << "SI-9" << std::optional<QString>();
        QTest::newRow("club") << QByteArray("<Organisation><Id>5</Id><Name> OK Ørn </Name></Organisation>")
                              << "" << std::optional<QString>(QStringLiteral("OK Ørn"));
        QTest::newRow("empty club name")
            << QByteArray("<Organisation><Name/></Organisation>") << "" << std::optional<QString>(QString());
    }
    void fields()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, card);
        QFETCH(std::optional<QString>, club);
        const auto result = IOFEntryListParser::parse(
            entryList("<PersonEntry>" + person(" Åse ", "Lund") + extra + "</PersonEntry>"));
        const Participant &p = result.participants[0];
        QCOMPARE(p.givenName, QStringLiteral("Åse"));
        QCOMPARE(p.familyName, QStringLiteral("Lund"));
        QCOMPARE(p.cardNumber, card);
        QCOMPARE(p.club, club);
        QVERIFY(!p.isRentalCard && !p.startTime && !p.status && !p.externalId && !p.classIdByStage);
    }

    void entriesWithoutPersonAreDropped()
    {
        const auto result = IOFEntryListParser::parse(
            entryList("<PersonEntry><ControlCard>1</ControlCard><Class><Id>X</Id></Class></PersonEntry>"
                      "<PersonEntry><Person/><ControlCard>2</ControlCard></PersonEntry>"));
        QCOMPARE(result.participants.size(), 1);
        QCOMPARE(result.participants[0].cardNumber, QStringLiteral("2"));
        QCOMPARE(result.participants[0].givenName, QString());
        QVERIFY(result.classes.isEmpty());

        const auto none = IOFEntryListParser::parse(entryList("<PersonEntry/>"));
        QVERIFY(none.participants.isEmpty());
    }

    void noEntryFails()
    {
        try {
            (void)IOFEntryListParser::parse(entryList("<Event><Name>x</Name></Event>"));
            QFAIL("no error");
        } catch (const ImportError &e) {
            QCOMPARE(e.message(), QStringLiteral("No <PersonEntry> elements found in EntryList XML"));
        }
    }

    void freshIdsInDocumentOrder()
    {
        const QByteArray xml = entryList("<PersonEntry>" + person("A", "One") + "</PersonEntry><PersonEntry>"
            + person("B", "Two") + "</PersonEntry>");
        const auto first = IOFEntryListParser::parse(xml);
        const auto second = IOFEntryListParser::parse(xml);
        QCOMPARE(first.participants[0].familyName, QStringLiteral("One"));
        QCOMPARE(first.participants[1].familyName, QStringLiteral("Two"));
        QVERIFY(first.participants[0].id != second.participants[0].id);
        QVERIFY(first.participants[0].id != first.participants[1].id);
    }

    void officialExample()
    {
        QFile f(QStringLiteral(VEXLO_IOF_DIR "/examples/EntryList1.xml"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto result = IOFEntryListParser::parse(f.readAll());
        QCOMPARE(result.participants.size(), 3);
        const Participant &wood = result.participants[0];
        QCOMPARE(wood.givenName, QStringLiteral("George"));
        QCOMPARE(wood.familyName, QStringLiteral("Wood"));
        QCOMPARE(wood.cardNumber, QStringLiteral("794021"));
        QCOMPARE(wood.club, std::optional<QString>(QStringLiteral("OC Back and Forth")));
        QCOMPARE(wood.classId, std::optional<QString>(QStringLiteral("1")));
        QCOMPARE(result.participants[1].cardNumber, QString()); // wants a rental card
        QVERIFY(!result.participants[2].club);
        QCOMPARE(result.classes.size(), 2);
        QCOMPARE(findClass(result.classes, QStringLiteral("1"))->name, QStringLiteral("Men Elite"));
        QCOMPARE(findClass(result.classes, QStringLiteral("2"))->name, QStringLiteral("Open"));
    }
};

QTEST_GUILESS_MAIN(TestIofEntryListParser)
#include "tst_iofentrylistparser.moc"
