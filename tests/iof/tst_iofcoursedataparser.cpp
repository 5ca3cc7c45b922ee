#include "iofcoursedataparser.h"
#include "log.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QByteArray courseData(const QByteArray &body, bool iofNamespace = true)
{
    const QByteArray ns = iofNamespace ? " xmlns=\"http://www.orienteering.org/datastandard/3.0\"" : "";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CourseData" + ns
        + " iofVersion=\"3.0\"><RaceCourseData>" + body + "</RaceCourseData></CourseData>";
}

QByteArray control(const QByteArray &id, double x, double y, const QByteArray &unit = "mm")
{
    return "<Control><Id>" + id + "</Id><MapPosition unit=\"" + unit + "\" x=\"" + QByteArray::number(x)
        + "\" y=\"" + QByteArray::number(y) + "\"/></Control>";
}

QByteArray courseControl(const QByteArray &code, const QByteArray &type = "Control")
{
    const QByteArray attr = type.isNull() ? QByteArray() : " type=\"" + type + "\"";
    return "<CourseControl" + attr + "><Control>" + code + "</Control></CourseControl>";
}

QList<qint64> codes(const Course &c)
{
    QList<qint64> out;
    for (const CourseControl &cc : c.controls)
        out.append(cc.code);
    return out;
}

QString sharedExample(const QString &name)
{
    return QStringLiteral(VEXLO_IOF_DIR "/examples/") + name;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

} // namespace

class TestIofCourseDataParser : public QObject
{
    Q_OBJECT

private slots:
    void controlKinds_data()
    {
        QTest::addColumn<QByteArray>("controls");
        QTest::addColumn<QList<qint64>>("expected");
        QTest::newRow("start and finish are not controls") << courseControl("S", "Start")
                + courseControl("31") + courseControl("32") + courseControl("33")
                + courseControl("F", "Finish") << QList<qint64> {31, 32, 33};
        QTest::newRow("no type attribute counts as a control")
            << courseControl("31", QByteArray()) << QList<qint64> {31};
        QTest::newRow("lower-case kind is left out")
            << courseControl("31", "control") + courseControl("32") << QList<qint64> {32};
        QTest::newRow("crossing point left out")
            << courseControl("40", "CrossingPoint") + courseControl("41") << QList<qint64> {41};
        QTest::newRow("decimal code dropped")
            << courseControl("31.0") + courseControl("32") << QList<qint64> {32};
        QTest::newRow("letter code dropped")
            << courseControl("S1") + courseControl("33") << QList<qint64> {33};
        QTest::newRow("signed code accepted") << courseControl("+34") << QList<qint64> {34};
        QTest::newRow("code with inner space dropped") << courseControl("3 4") << QList<qint64> {};
        QTest::newRow("surrounding whitespace is trimmed")
            << QByteArray("<CourseControl><Control>\n  35 \n</Control></CourseControl>")
            << QList<qint64> {35};
    }
    void controlKinds()
    {
        QFETCH(QByteArray, controls);
        QFETCH(QList<qint64>, expected);
        const auto result
            = IOFCourseDataParser::parse(courseData("<Course><Name>A</Name>" + controls + "</Course>"));
        QCOMPARE(result.courses.size(), 1);
        QCOMPARE(codes(result.courses[0]), expected);
        for (qsizetype i = 0; i < result.courses[0].controls.size(); ++i)
            QCOMPARE(result.courses[0].controls[i].order, i);
    }

    void lengths_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<double>>("length");
        const QByteArray twoLegs = "<Course><Name>A</Name>" + courseControl("S", "Start")
            + courseControl("31") + courseControl("F", "Finish") + "</Course>";
        QTest::newRow("map millimetres at 1:10000") << "<Map><Scale>10000</Scale></Map>"
                + control("S", 100, 0) + control("31", 200, 0) + control("F", 200, 0)
                + twoLegs << std::optional<double>(1000.0);
        QTest::newRow("scale as attribute") << "<Map scale=\"10000\"/>" + control("S", 100, 0)
                + control("31", 200, 0) + control("F", 200, 50)
                + twoLegs << std::optional<double>(1500.0);
        QTest::newRow("no map scale: no length") << control("S", 100, 0) + control("31", 200, 0)
                + control("F", 200, 0) + twoLegs << std::optional<double>();
        QTest::newRow("one missing position: no length")
            << "<Map><Scale>10000</Scale></Map>" + control("S", 100, 0) + control("31", 200, 0) + twoLegs
            << std::optional<double>();
        QTest::newRow("metre positions need no scale") << control("S", 0, 0, "m") + control("31", 30, 40, "m")
                + control("F", 30, 40, "m") + twoLegs << std::optional<double>(50.0);
        QTest::newRow("unknown unit: no point")
            << control("S", 0, 0, "ft") + control("31", 30, 40, "m") + control("F", 30, 40, "m") + twoLegs
            << std::optional<double>();
        QTest::newRow("geographic position falls back to map position")
            << QByteArray("<Map><Scale>15000</Scale></Map>"
                          "<Control><Id>S</Id><Position lat=\"59.7\" lng=\"17.6\"/>"
                          "<MapPosition unit=\"mm\" x=\"0\" y=\"0\"/></Control>"
                          "<Control><Id>31</Id><Position lat=\"59.8\" lng=\"17.6\"/>"
                          "<MapPosition x=\"0\" y=\"100\"/></Control>"
                          "<Control><Id>F</Id><Position x=\"0\" y=\"1500\"/></Control>")
                + twoLegs
            << std::optional<double>(1500.0);
        QTest::newRow("a single control id: no length") << "<Map><Scale>10000</Scale></Map>"
                + control("31", 1, 1) + "<Course><Name>A</Name>" + courseControl("31")
                + "</Course>" << std::optional<double>();
        QTest::newRow("x with a leading space is no number")
            << QByteArray("<Map><Scale>10000</Scale></Map><Control><Id>S</Id><MapPosition x=\" 1\" "
                          "y=\"0\"/></Control>")
                + control("31", 200, 0) + control("F", 200, 0) + twoLegs
            << std::optional<double>();
        QTest::newRow("infinite scale is no scale") << "<Map><Scale>inf</Scale></Map>" + control("S", 100, 0)
                + control("31", 200, 0) + control("F", 200, 0)
                + twoLegs << std::optional<double>();
    }
    void lengths()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<double>, length);
        const auto result = IOFCourseDataParser::parse(courseData(body));
        QCOMPARE(result.courses.size(), 1);
        QCOMPARE(result.courses[0].lengthMeters.has_value(), length.has_value());
        if (length)
            QCOMPARE(*result.courses[0].lengthMeters, *length);
    }

    void scoresMakeRogaining_data()
    {
        QTest::addColumn<QByteArray>("score");
        QTest::addColumn<std::optional<qint64>>("points");
        QTest::newRow("10") << QByteArray("10") << std::optional<qint64>(10);
        QTest::newRow("10.5") << QByteArray("10.5") << std::optional<qint64>();
        QTest::newRow("empty") << QByteArray("") << std::optional<qint64>();
    }
    void scoresMakeRogaining()
    {
        QFETCH(QByteArray, score);
        QFETCH(std::optional<qint64>, points);
        const auto result = IOFCourseDataParser::parse(courseData("<Course><Name>R</Name>"
            + courseControl("31") + "<CourseControl><Control>32</Control><Score>" + score
            + "</Score></CourseControl></Course>"));
        const Course &c = result.courses[0];
        QCOMPARE(c.controls[1].score, points);
        QCOMPARE(
            c.type, points ? std::optional<CourseType>(CourseType::Rogaining) : std::optional<CourseType>());
    }

    void idsNamesAndFamilies()
    {
        const auto result = IOFCourseDataParser::parse(courseData(
            "<Course id=\"c1\"><Id>ignored</Id><Name>Long</Name><CourseFamily>Fam</CourseFamily></Course>"
            "<Course><Id> c2 </Id><Name/></Course>"
            "<Course/>"));
        QCOMPARE(result.courses.size(), 3);
        QCOMPARE(result.courses[0].id, QStringLiteral("c1"));
        QCOMPARE(result.courses[0].courseFamily, std::optional<QString>(QStringLiteral("Fam")));
        QCOMPARE(result.courses[1].id, QStringLiteral("c2"));
        QCOMPARE(result.courses[1].name, QString());
        QVERIFY(!result.courses[1].courseFamily);
        QCOMPARE(result.courses[2].name, QStringLiteral("Unnamed course"));
        QCOMPARE(result.courses[2].id.size(), 36);
        QCOMPARE(result.courses[2].id, result.courses[2].id.toUpper());
        QVERIFY(!result.courses[0].stageId && !result.courses[0].timeLimitSeconds);
    }

    void classAssignments()
    {
        const auto result = IOFCourseDataParser::parse(courseData(
            "<Course><Id>L1</Id><Name>Long</Name></Course><Course><Id>L2</Id><Name>Long</Name></Course>"
            "<ClassCourseAssignment><ClassName>H21</ClassName><CourseName>Long</CourseName></"
            "ClassCourseAssignment>"
            "<ClassCourseAssignment><ClassName>D21</ClassName><CourseName>Nowhere</CourseName>"
            "</ClassCourseAssignment>"
            "<ClassCourseAssignment classId=\"7\" courseId=\"X\" "
            "courseFamily=\"F\"><ClassName>D45</ClassName>"
            "<CourseFamily>ignored</CourseFamily></ClassCourseAssignment>"
            "<ClassCourseAssignment><ClassId>8</ClassId><CourseFamily>Open</CourseFamily></"
            "ClassCourseAssignment>"
            "<ClassCourseAssignment><ClassName>H21</ClassName><CourseId>L2</CourseId></"
            "ClassCourseAssignment>"));
        const auto &cls = result.classes;
        QCOMPARE(cls.size(), 5);
        QCOMPARE(cls[0].id, QStringLiteral("H21"));
        QCOMPARE(cls[0].name, QStringLiteral("H21"));
        QCOMPARE(cls[0].courseId, std::optional<QString>(QStringLiteral("L1")));
        QVERIFY(!cls[1].courseId);
        QCOMPARE(cls[2].id, QStringLiteral("7"));
        QCOMPARE(cls[2].courseId, std::optional<QString>(QStringLiteral("X")));
        QCOMPARE(cls[2].courseFamily, std::optional<QString>(QStringLiteral("F")));
        QCOMPARE(cls[3].name, QStringLiteral("8"));
        QCOMPARE(cls[3].courseFamily, std::optional<QString>(QStringLiteral("Open")));
        QCOMPARE(cls[4].courseId, std::optional<QString>(QStringLiteral("L2")));
        QVERIFY(!cls[0].mode && !cls[0].startWindow && !cls[0].stageCourseIds);
    }

    void namespacesReadAlike()
    {
        const QByteArray body = "<Map><Scale>10000</Scale></Map>" + control("31", 0, 0) + control("32", 0, 30)
            + "<Course><Id>A</Id><Name>A</Name>" + courseControl("31") + courseControl("32") + "</Course>";
        const auto withNs = IOFCourseDataParser::parse(courseData(body, true));
        const auto without = IOFCourseDataParser::parse(courseData(body, false));
        const auto prefixed = IOFCourseDataParser::parse(
            "<iof:CourseData xmlns:iof=\"urn:other\"><iof:Map><iof:Scale>10000</iof:Scale></iof:Map>"
            "<iof:Control><iof:Id>31</iof:Id><iof:MapPosition x=\"0\" y=\"0\"/></iof:Control>"
            "<iof:Control><iof:Id>32</iof:Id><iof:MapPosition x=\"0\" y=\"30\"/></iof:Control>"
            "<iof:Course><iof:Id>A</iof:Id><iof:Name>A</iof:Name>"
            "<iof:CourseControl><iof:Control>31</iof:Control></iof:CourseControl>"
            "<iof:CourseControl><iof:Control>32</iof:Control></iof:CourseControl></iof:Course></"
            "iof:CourseData>");
        for (const auto *r : {&withNs, &without, &prefixed}) {
            QCOMPARE(r->courses.size(), 1);
            QCOMPARE(codes(r->courses[0]), (QList<qint64> {31, 32}));
            QCOMPARE(r->courses[0].lengthMeters, std::optional<double>(300.0));
        }
    }

    void logLines()
    {
        LogCapture log;
        (void)IOFCourseDataParser::parse(
            courseData("<Map><Scale>10000</Scale></Map>" + control("31", 0, 0) + control("32", 0, 245.05)
                + "<Course><Name>Long</Name>" + courseControl("31") + courseControl("32") + "</Course>"
                + "<Course><Name>Short</Name>" + courseControl("31") + courseControl("33") + "</Course>"));
        QCOMPARE(log.lines(),
            (QStringList {QStringLiteral("IOFCourseDataParser: found 2 <Course> element(s)"),
                QStringLiteral("IOFCourseDataParser: map scale = 1:10000, resolved 2 control position(s)"),
                QStringLiteral("IOFCourseDataParser: parsed course \"Long\" \u2014 2 control(s), "
                               "length 2450.5m"),
                QStringLiteral("IOFCourseDataParser: parsed course \"Short\" \u2014 2 control(s), "
                               "length unknown")}));
        log.clear();
        (void)IOFCourseDataParser::parse(courseData(control("31", 0, 0) + "<Course><Name>X</Name></Course>"));
        QCOMPARE(log.lines().at(1),
            QStringLiteral("IOFCourseDataParser: map scale = unknown, resolved 0 control position(s)"));
        log.clear();
        (void)IOFCourseDataParser::parse(
            courseData("<Map><Scale>10000</Scale></Map>" + control("31", 0, 0) + control("32", 0, 100)
                + "<Course><Name>W</Name>" + courseControl("31") + courseControl("32") + "</Course>"));
        QVERIFY(log.lines().last().endsWith(QStringLiteral("length 1000.0m")));
    }

    void noCourseFails()
    {
        LogCapture log;
        try {
            (void)IOFCourseDataParser::parse(
                "<ClassList xmlns=\"http://www.orienteering.org/datastandard/3.0\"/>");
            QFAIL("no error");
        } catch (const ImportError &e) {
            QCOMPARE(e.message(), QStringLiteral("No <Course> elements found in CourseData XML"));
        }
        QCOMPARE(log.lines(),
            QStringList {
                QStringLiteral("IOFCourseDataParser: no <Course> elements found \u2014 root element is "
                               "<ClassList>")});
    }

    void officialExamples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("classes");
        QTest::newRow("individual step 2, with assignments") << "CourseData_Individual_Step2.xml" << 4;
        QTest::newRow("individual step 4, byte order mark") << "CourseData_Individual_Step4.xml" << 0;
    }
    void officialExamples()
    {
        QFETCH(QString, file);
        QFETCH(int, classes);
        const QByteArray bytes = readFile(sharedExample(file));
        const auto result = IOFCourseDataParser::parse(bytes);
        QCOMPARE(result.courses.size(), 2);
        const Course &a = result.courses[0];
        const Course &b = result.courses[1];
        QCOMPARE(a.name, QStringLiteral("A"));
        QCOMPARE(b.name, QStringLiteral("B"));
        QCOMPARE(a.courseFamily, std::optional<QString>(QStringLiteral("Open long")));
        QCOMPARE(codes(a), (QList<qint64> {31, 32, 33, 31, 34, 35, 31, 100}));
        QCOMPARE(codes(b), (QList<qint64> {31, 34, 35, 31, 32, 33, 31, 100}));
        QVERIFY(a.id != b.id);
        // The examples give map positions but no map scale: no length can be computed.
        QVERIFY(!a.lengthMeters && !b.lengthMeters);
        QCOMPARE(result.classes.size(), classes);
        if (classes) {
            QCOMPARE(result.classes[0].id, QStringLiteral("Men Open"));
            QCOMPARE(result.classes[0].courseId, std::optional<QString>(a.id));
            QCOMPARE(result.classes[1].courseId, std::optional<QString>(b.id));
            QCOMPARE(result.classes[3].name, QStringLiteral("Women Open"));
            QCOMPARE(result.classes[3].courseFamily, std::optional<QString>(QStringLiteral("Open long")));
        }

        // With a 1:10000 map the legs start-...-finish are summed from the map positions.
        QByteArray scaled = bytes;
        scaled.replace("<RaceCourseData>", "<RaceCourseData><Map><Scale>10000</Scale></Map>");
        const auto withScale = IOFCourseDataParser::parse(scaled);
        QVERIFY(withScale.courses[0].lengthMeters);
        QCOMPARE(*withScale.courses[0].lengthMeters, 10321.439642603476);
    }

    void relayExample()
    {
        const auto result = IOFCourseDataParser::parse(readFile(sharedExample("CourseData_Relay_Step2.xml")));
        QCOMPARE(result.courses.size(), 3);
        for (const Course &c : result.courses)
            QVERIFY(!c.controls.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIofCourseDataParser)
#include "tst_iofcoursedataparser.moc"
