// Every case under tests/data/iof/read/<reader>/: NAME.xml is read by that reader and the outcome,
// written out line by line, must equal NAME.expected. A first line "race: N" in the expected file
// asks for race N. The official examples are listed in tests/data/iof/read/examples.txt, with
// their outcomes in examples/<reader>-<example>.expected. A new case is a new pair of files. Hostile
// documents (tests/data/iof/hostile-documents.tsv and a few built here) each fail fast with a message.
#include "casetable.h"
#include "iofcoursedataparser.h"
#include "iofentrylistparser.h"
#include "iofstartlistparser.h"
#include "log.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>

#include <arpa/inet.h>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using casetable::readFile;

QString quoted(const QString &text)
{
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'\n', QStringLiteral("\\n"));
    out.replace(u'\r', QStringLiteral("\\r")).replace(QChar(0xFEFF), QStringLiteral("\\uFEFF"));
    return u'"' + out + u'"';
}

QString optional(const std::optional<QString> &text)
{
    return text ? quoted(*text) : QStringLiteral("-");
}

// Ids the reader draws itself (none in the file) print as "new", so outcomes stay comparable.
QString id(const QString &text, const QByteArray &xml)
{
    static const QRegularExpression fresh(QStringLiteral("\\A[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\z"));
    if (fresh.match(text).hasMatch() && !xml.contains(text.toLatin1()))
        return QStringLiteral("new");
    return quoted(text);
}

QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QStringList courseOutcome(const QByteArray &xml, std::optional<int> race)
{
    LogCapture log;
    QStringList out;
    const auto result = IOFCourseDataParser::parse(xml, race);
    // A class that points at a course whose id the reader drew names it by place: "course#2".
    QHash<QString, QString> drawn;
    for (qsizetype i = 0; i < result.courses.size(); ++i) {
        if (id(result.courses[i].id, xml) == u"new")
            drawn.insert(result.courses[i].id, QStringLiteral("course#%1").arg(i + 1));
    }
    for (const Course &c : result.courses) {
        QStringList controls;
        for (qsizetype i = 0; i < c.controls.size(); ++i) {
            const CourseControl &cc = c.controls[i];
            controls << QString::number(cc.code) + (cc.score ? u':' + QString::number(*cc.score) : QString())
                    + (cc.order == i ? QString() : QStringLiteral("!order"));
        }
        const bool plain = !c.stageId && !c.timeLimitSeconds && !c.overtimePenaltyPerMinute;
        out << QStringLiteral("course %1 name=%2 family=%3 type=%4 length=%5 controls=%6%7")
                   .arg(id(c.id, xml), quoted(c.name), optional(c.courseFamily),
                       c.type == CourseType::Rogaining ? QStringLiteral("rogaining")
                           : c.type                    ? QStringLiteral("sequential")
                                                       : QStringLiteral("-"),
                       c.lengthMeters ? number(*c.lengthMeters) : QStringLiteral("-"), controls.join(u' '),
                       plain ? QString() : QStringLiteral(" +other"));
    }
    for (const RaceClass &cls : result.classes) {
        RaceClass bare;
        bare.id = cls.id;
        bare.name = cls.name;
        bare.courseId = cls.courseId;
        bare.courseFamily = cls.courseFamily;
        out << QStringLiteral("class %1 name=%2 course=%3 family=%4%5")
                   .arg(id(cls.id, xml), cls.name == cls.id ? QStringLiteral("id") : quoted(cls.name),
                       cls.courseId ? drawn.value(*cls.courseId, id(*cls.courseId, xml))
                                    : QStringLiteral("-"),
                       optional(cls.courseFamily), bare == cls ? QString() : QStringLiteral(" +other"));
    }
    for (const IOFCourseDataParser::RoundedScore &r : result.roundedScores) {
        out << QStringLiteral("rounded course=%1 control=%2 score=%3 points=%4")
                   .arg(quoted(r.courseName))
                   .arg(r.code)
                   .arg(quoted(r.text))
                   .arg(r.points);
    }
    for (const QString &line : log.lines())
        out << QStringLiteral("log ") + line;
    return out;
}

QStringList entryOutcome(const IOFEntryListParser::Result &result)
{
    QStringList out;
    QSet<QUuid> ids;
    for (const Participant &p : result.participants) {
        Participant bare;
        bare.id = p.id;
        bare.givenName = p.givenName;
        bare.familyName = p.familyName;
        bare.cardNumber = p.cardNumber;
        bare.club = p.club;
        bare.classId = p.classId;
        ids.insert(p.id);
        out << QStringLiteral("entry given=%1 family=%2 card=%3 club=%4 class=%5%6")
                   .arg(quoted(p.givenName), quoted(p.familyName), quoted(p.cardNumber), optional(p.club),
                       optional(p.classId), bare == p ? QString() : QStringLiteral(" +other"));
    }
    if (ids.size() != result.participants.size())
        out << QStringLiteral("! participant ids repeat");
    for (const RaceClass &cls : result.classes) {
        out << QStringLiteral("class %1 name=%2%3")
                   .arg(quoted(cls.id), quoted(cls.name),
                       RaceClass {cls.id, cls.name} == cls ? QString() : QStringLiteral(" +other"));
    }
    return out;
}

QStringList entryOutcome(const QByteArray &xml)
{
    return entryOutcome(IOFEntryListParser::parse(xml));
}

// What a reader of an EntryList gives, or its error.
template<typename Read> QStringList entryOutcomeOf(Read read, const QByteArray &xml)
{
    try {
        return entryOutcome(read(xml));
    } catch (const ImportError &e) {
        return {QStringLiteral("error ") + e.message()};
    }
}

QStringList startRows(const QList<IOFStartListParser::Entry> &rows);

QStringList startOutcome(const QByteArray &xml, std::optional<int> race)
{
    return startRows(IOFStartListParser::parse(xml, race));
}

QStringList outcome(const QString &reader, const QByteArray &xml, std::optional<int> race)
{
    try {
        if (reader == u"coursedata")
            return courseOutcome(xml, race);
        if (reader == u"entrylist")
            return entryOutcome(xml);
        return startOutcome(xml, race);
    } catch (const ImportError &e) {
        return {QStringLiteral("error ") + e.message()};
    } catch (const IOFStartListParser::ParseError &e) {
        return {QStringLiteral("error ") + e.message()};
    }
}

// The error message of reading `bytes` with `reader`, or an empty text when the read succeeded.
QString failureOf(const QString &reader, const QByteArray &bytes)
{
    const QStringList lines = outcome(reader, bytes, std::nullopt);
    return lines.value(0).startsWith(QStringLiteral("error ")) ? lines[0].mid(6) : QString();
}

QByteArray billionLaughs()
{
    QByteArray doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE EntryList [\n <!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        doc += " <!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int k = 0; k < 10; ++k)
            doc += "&lol" + (i == 1 ? QByteArray() : QByteArray::number(i - 1)) + ";";
        doc += "\">\n";
    }
    doc += "]>\n<EntryList><PersonEntry><Person><Name><Given>&lol9;</Given></Name></Person></PersonEntry>"
           "<Course><Name>&lol9;</Name></Course><PersonStart><StartTime>&lol9;</StartTime></PersonStart>"
           "</EntryList>";
    return doc;
}

// A list of entries of many lengths, far more of them than the reader looks at to guess the room
// for the rest, with references, CDATA, comments and multi-byte characters in their texts. With
// `listLast`, the ClassList follows the entries; with `latin1`, the document is in ISO-8859-1.
QByteArray longEntryList(int entries, bool listLast, bool latin1)
{
    QString classList = QStringLiteral("<ClassList>");
    for (int c = 0; c < 7; ++c)
        classList += QStringLiteral("<Class><Id>%1</Id><Name>Klass \u00c5%1</Name></Class>").arg(c);
    classList += QStringLiteral("</ClassList>\n");
    QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n<EntryList xmlns=\"http://www."
                                 "orienteering.org/datastandard/3.0\">\n")
                      .arg(latin1 ? QStringLiteral("ISO-8859-1") : QStringLiteral("UTF-8"));
    if (!listLast)
        doc += classList;
    for (int i = 0; i < entries; ++i) {
        doc += QStringLiteral("<PersonEntry><Person><Name><Family>");
        doc += QString(i % 13, u'\u00e9') + QStringLiteral("Lund&amp;%1").arg(i);
        if (i % 5 == 0)
            doc += QStringLiteral("<![CDATA[ <cd> ]]>");
        doc += QStringLiteral("</Family><Given>");
        if (i % 7 == 0)
            doc += QStringLiteral("An<!-- note -->na &#233;");
        else
            doc += QString(i % 17, u'\u00f8') + QStringLiteral(" Given");
        doc += QStringLiteral("</Given></Name></Person>");
        if (i % 9 == 0)
            doc += QStringLiteral("<Organisation><Name>Klubb %1</Name></Organisation>").arg(i % 4);
        if (i % 11 != 0) {
            doc += QStringLiteral("<ControlCard punchingSystem=\"%1\">%2</ControlCard>")
                       .arg(i % 3 == 0 ? QStringLiteral("Emit") : QStringLiteral("SI"))
                       .arg(100000 + i);
        }
        if (i % 4 == 0)
            doc += QStringLiteral("<Class id=\"%1\"/>").arg(i % 9);
        else if (i % 4 == 1)
            doc += QStringLiteral("<Class><Id>%1</Id><Name>Ny %1</Name></Class>").arg(i % 8);
        else if (i % 4 == 2)
            doc += QStringLiteral("<ClassId> %1 </ClassId>").arg(i % 10);
        doc += QStringLiteral("</PersonEntry>\n");
    }
    if (listLast)
        doc += classList;
    doc += QStringLiteral("</EntryList>\n");
    return latin1 ? doc.toLatin1() : doc.toUtf8();
}

QStringList startRows(const QList<IOFStartListParser::Entry> &rows)
{
    QStringList out;
    for (const auto &row : rows) {
        out << QStringLiteral("start card=%1 family=%2 given=%3 time=%4")
                   .arg(optional(row.cardNumber), optional(row.familyName), optional(row.givenName),
                       row.startTime.timeSpec() == Qt::UTC ? row.startTime.toString(Qt::ISODateWithMs)
                                                           : QStringLiteral("not UTC"));
    }
    return out;
}

template<typename Read> QStringList startOutcomeOf(Read read, const QByteArray &xml, std::optional<int> race)
{
    try {
        return startRows(read(xml, race));
    } catch (const ImportError &e) {
        return {QStringLiteral("error ") + e.message()};
    } catch (const IOFStartListParser::ParseError &e) {
        return {QStringLiteral("error ") + e.message()};
    }
}

// A StartList of many runners in three races, team members among them, with references, CDATA,
// comments, invisible and multi-byte characters in their texts, cards of several systems, starts
// without a readable time and runners at several depths. With `latin1`, the document is in
// ISO-8859-1; with `prefixed`, every element carries a namespace prefix.
QByteArray longStartList(int runners, bool latin1, bool prefixed)
{
    QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n<StartList xmlns=\"http://www."
                                 "orienteering.org/datastandard/3.0\" iofVersion=\"3.0\">\n"
                                 "<Event><Name>Lang &amp; l\u00e5ng</Name></Event>\n<ClassStart>")
                      .arg(latin1 ? QStringLiteral("ISO-8859-1") : QStringLiteral("UTF-8"));
    for (int i = 0; i < runners; ++i) {
        const bool team = i % 10 == 3;
        if (team)
            doc += QStringLiteral("<TeamStart><Name>Lag %1</Name><TeamMemberStart>").arg(i);
        else if (i % 23 == 5)
            doc += QStringLiteral("<Extra><Deeper><PersonStart>");
        else
            doc += QStringLiteral("<PersonStart>");
        doc += QStringLiteral("<Person><Name><Family>");
        doc += QString(i % 13, u'\u00e9') + QStringLiteral("Lund&amp;%1").arg(i);
        if (i % 5 == 0)
            doc += QStringLiteral("<![CDATA[ <cd> ]]>");
        if (!latin1 && i % 6 == 0)
            doc += QStringLiteral("\u200b");
        doc += QStringLiteral("</Family>");
        if (i % 19 != 0) {
            doc += QStringLiteral("<Given>");
            if (i % 7 == 0)
                doc += QStringLiteral(" An<!-- note -->na &#233; ");
            else
                doc += QString(i % 17, u'\u00f8') + QStringLiteral(" Given");
            doc += QStringLiteral("</Given>");
        }
        doc += QStringLiteral("</Name></Person>");
        if (i % 8 == 0)
            doc += QStringLiteral("<ControlCard punchingSystem=\"SI\">%1</ControlCard>").arg(900000 + i);
        const int races = i % 3 + 1;
        for (int race = 1; race <= races; ++race) {
            if (i % 29 == 1 && race == 1)
                doc += QStringLiteral("<Start>");
            else
                doc += QStringLiteral("<Start raceNumber=\"%1\">")
                           .arg(i % 31 == 2 ? QStringLiteral("x") : QString::number(race));
            doc += QStringLiteral("<StartTime>");
            if (i % 17 == 4)
                doc += QStringLiteral("soon");
            else
                doc += QStringLiteral(" 2024-06-0%1T%2:%3:00.%4Z ")
                           .arg(race)
                           .arg(9 + i % 12, 2, 10, QChar(u'0'))
                           .arg(i % 60, 2, 10, QChar(u'0'))
                           .arg(i % 1000, 3, 10, QChar(u'0'));
            doc += QStringLiteral("</StartTime>");
            if (i % 11 != 0) {
                doc += QStringLiteral("<ControlCard punchingSystem=\"%1\">%2</ControlCard>")
                           .arg(i % 3 == 0 ? QStringLiteral("Emit") : QStringLiteral("SI"))
                           .arg(100000 + i * 10 + race);
            }
            doc += QStringLiteral("</Start>");
        }
        if (team)
            doc += QStringLiteral("</TeamMemberStart></TeamStart>\n");
        else if (i % 23 == 5)
            doc += QStringLiteral("</PersonStart></Deeper></Extra>\n");
        else
            doc += QStringLiteral("</PersonStart>\n");
    }
    doc += QStringLiteral("</ClassStart>\n</StartList>\n");
    if (prefixed) {
        static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z])"));
        doc.replace(tag, QStringLiteral("<\\1iof:\\2"));
        doc.replace(QStringLiteral("xmlns="), QStringLiteral("xmlns:iof="));
    }
    return latin1 ? doc.toLatin1() : doc.toUtf8();
}

} // namespace

class TestIofReadCases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Start times without a zone are local: the same zone by hand as under ctest.
        qputenv("TZ", "Europe/Copenhagen");
        tzset();
    }

    void cases_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("xmlPath");
        QTest::addColumn<QString>("expectedPath");
        const QString root = QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/read/");
        int count = 0;
        for (const QString &reader :
            {QStringLiteral("coursedata"), QStringLiteral("entrylist"), QStringLiteral("startlist")}) {
            const QDir dir(root + reader);
            for (const QString &file : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
                const QString base = dir.filePath(file.chopped(4));
                QTest::addRow("%s/%s", qPrintable(reader), qPrintable(file))
                    << reader << base + ".xml" << base + ".expected";
                ++count;
            }
        }
        // "<reader> <example file>" lines: the official examples, outcomes beside the list.
        const QStringList examples
            = QString::fromUtf8(readFile(root + "examples.txt")).split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : examples) {
            const QStringList parts = line.split(u' ');
            QTest::addRow("example %s %s", qPrintable(parts[0]), qPrintable(parts[1]))
                << parts[0] << QStringLiteral(VEXLO_IOF_DIR "/examples/") + parts[1]
                << root + "examples/" + parts[0] + u'-' + QString(parts[1]).chopped(4) + ".expected";
        }
        if (count < 30)
            qFatal("only %d cases found under %s", count, qPrintable(root));
    }
    void cases()
    {
        QFETCH(QString, reader);
        QFETCH(QString, xmlPath);
        QFETCH(QString, expectedPath);
        QStringList expected = QString::fromUtf8(readFile(expectedPath)).split(u'\n', Qt::SkipEmptyParts);
        std::optional<int> race;
        if (!expected.isEmpty() && expected.first().startsWith(QStringLiteral("race: ")))
            race = expected.takeFirst().mid(6).toInt();
        const QStringList actual = outcome(reader, readFile(xmlPath), race);
        if (actual != expected) {
            qWarning().noquote() << "actual outcome:\n" + actual.join(u'\n');
            QCOMPARE(actual, expected);
        }
    }

    // Hostile and broken documents: each fails fast with a message, and nothing is fetched.
    void rejected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("messageStart");
        const QString notXml = QStringLiteral("The file is not well-formed XML: ");
        const QString doctype
            = QStringLiteral("The file declares definitions of its own in its document type");

        for (const QStringList &cells : casetable::rows(QStringLiteral("iof/hostile-documents.tsv")))
            QTest::newRow(qPrintable(cells[0])) << cells[1].toUtf8() << cells[2];
        QTest::newRow("billion laughs") << billionLaughs() << doctype;
        QByteArray deep;
        for (int i = 0; i < 5000; ++i)
            deep += "<a>";
        QTest::newRow("deep nesting") << deep << notXml;
        QByteArray hugeText = "<CourseData><Course><Name>";
        hugeText += QByteArray(11 * 1000 * 1000, 'x');
        hugeText += "</Name></Course></CourseData>";
        QTest::newRow("huge text node")
            << hugeText << QStringLiteral("The file holds a text of 11000000 bytes");
        QTest::newRow("oversized file") << QByteArray(IofXmlDocument::maxDocumentBytes + 1, ' ')
                                        << QStringLiteral("The file is too large");
    }
    void rejected()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, messageStart);
        for (const char *reader : {"coursedata", "entrylist", "startlist"}) {
            const QString message = failureOf(reader, bytes);
            QVERIFY2(message.startsWith(messageStart), qPrintable(message));
        }
    }

    // The EntryList reader takes the common document from the parser's events and leaves every
    // other to the tree: each case and example gives the same outcome both ways, and the events are
    // enough for every well-formed EntryList but the ones the tree must judge.
    void entryListStreamingReadsAsTheTree_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("streams");
        const QString root = QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/read/");
        QStringList files;
        for (const QString &reader :
            {QStringLiteral("coursedata"), QStringLiteral("entrylist"), QStringLiteral("startlist")}) {
            const QDir dir(root + reader);
            for (const QString &file : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
                files << dir.filePath(file);
        }
        const QDir examples(QStringLiteral(VEXLO_IOF_DIR "/examples"));
        for (const QString &file : examples.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
            files << examples.filePath(file);
        for (const QString &path : std::as_const(files)) {
            const QByteArray xml = readFile(path);
            const QStringList tree = entryOutcomeOf(IOFEntryListParser::readTree, xml);
            // Only an EntryList is read; "No <PersonEntry>" is an EntryList's outcome.
            const bool entryList = !tree.value(0).startsWith(QStringLiteral("error "))
                || tree.value(0).contains(QStringLiteral("<PersonEntry>"));
            QTest::addRow("%s", qPrintable(QDir(root).relativeFilePath(path))) << xml << entryList;
        }

        const QByteArray head = "<EntryList xmlns=\"http://www.orienteering.org/datastandard/3.0\">"
                                "<PersonEntry><Person><Name><Family>Lund</Family><Given>";
        const QByteArray tail = "</Given></Name></Person><Class id=\"H21\"/></PersonEntry></EntryList>";
        const QByteArray half(600 * 1000, 'x');
        QTest::newRow("text past the limit") << head + QByteArray(1500 * 1000, 'x') + tail << false;
        QTest::newRow("text at the limit")
            << head + QByteArray(IofXmlDocument::maxTextBytes, 'x') + tail << true;
        QTest::newRow("two halves of text and CDATA")
            << head + half + "<![CDATA[" + half + "]]>" + tail << false;
        QTest::newRow("two halves of text around a comment")
            << head + half + "<!-- between -->" + half + tail << true;
        QTest::newRow("reference in a class id")
            << QByteArray(head + "Ann" + tail).replace("id=\"H21\"", "id=\"H&amp;21\"") << false;
        QTest::newRow("character reference in a punching system")
            << QByteArray(head + "Ann" + tail)
                   .replace("</Person>", "</Person><ControlCard punchingSystem=\"S&#73;\">42</ControlCard>")
            << true;
        QTest::newRow("references in texts") << head + "A&amp;B &#233;&lt;" + tail << true;
        QTest::newRow("prefix without a namespace") << QByteArray(head + "Ann" + tail)
                                                           .replace("<Person>", "<p:Person>")
                                                           .replace("</Person>", "</p:Person>")
                                                    << false;
        QTest::newRow("attribute prefix without a namespace")
            << QByteArray(head + "Ann" + tail).replace("id=\"H21\"", "q:id=\"H21\" id=\"D21\"") << false;
        QTest::newRow("another root")
            << QByteArray("<StartList><PersonEntry><Person/></PersonEntry></StartList>") << false;
        QTest::newRow("broken") << QByteArray(head + "Ann").append("</Family>") << false;
        QTest::newRow("long list") << longEntryList(3000, false, false) << true;
        QTest::newRow("long list, classes last") << longEntryList(3000, true, false) << true;
        QTest::newRow("long list in ISO-8859-1") << longEntryList(3000, false, true) << true;
        QByteArray multiByte;
        for (int i = 0; i < 100 * 1000; ++i)
            multiByte += "\xc3\xa9";
        QTest::newRow("long multi-byte text") << head + multiByte + tail << true;
        QTest::newRow("outer entry without a person") << QByteArray(
            "<EntryList><PersonEntry><PersonEntry><Person><Name><Given>In</Given></Name></Person>"
            "<Class id=\"A\"/></PersonEntry><Class id=\"B\"/></PersonEntry><PersonEntry><Person/>"
            "<ClassId>C</ClassId></PersonEntry><ClassList><Class id=\"A\"><Name>Listed</Name>"
            "</Class></ClassList></EntryList>") << true;
        QTest::newRow("entry inside a listed class")
            << QByteArray("<EntryList><ClassList><Class id=\"X\"><PersonEntry><Person/><Class id=\"X\"/>"
                          "</PersonEntry><Name>Named after</Name></Class></ClassList></EntryList>")
            << true;
        QTest::newRow("long list cut short") << longEntryList(3000, false, false).chopped(200) << false;
    }
    void entryListStreamingReadsAsTheTree()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, streams);
        const QStringList tree = entryOutcomeOf(IOFEntryListParser::readTree, xml);
        QCOMPARE(entryOutcomeOf(IOFEntryListParser::parse, xml), tree);
        std::optional<IOFEntryListParser::Result> streamed;
        try {
            streamed = IOFEntryListParser::readStreaming(xml);
        } catch (const ImportError &e) {
            QCOMPARE(QStringList {QStringLiteral("error ") + e.message()}, tree);
            QVERIFY(streams);
            return;
        }
        QCOMPARE(bool(streamed), streams);
        if (streamed)
            QCOMPARE(entryOutcome(*streamed), tree);
    }

    // The StartList reader, likewise: every StartList the tests hold, a long one in each encoding
    // and form, and odd shapes read the same both ways, for each race asked for.
    void startListStreamingReadsAsTheTree_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("streams");
        const QDir data(QStringLiteral(VEXLO_TEST_DATA_DIR));
        QDirIterator files(data.path(), {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (files.hasNext())
            paths << files.next();
        const QDir examples(QStringLiteral(VEXLO_IOF_DIR "/examples"));
        for (const QString &file : examples.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
            paths << examples.filePath(file);
        paths.sort();
        int startLists = 0;
        for (const QString &path : std::as_const(paths)) {
            const QByteArray xml = readFile(path);
            const QStringList tree = startOutcomeOf(IOFStartListParser::readTree, xml, std::nullopt);
            // Every StartList the tree reads is read from the events, but for those with a DOCTYPE,
            // which the tree judges.
            const bool read = !tree.value(0).startsWith(QStringLiteral("error "));
            startLists += read;
            QTest::addRow("%s", qPrintable(data.relativeFilePath(path)))
                << xml << (read && !xml.contains("<!DOCTYPE"));
        }
        if (startLists < 20)
            qFatal("only %d StartLists found", startLists);

        const QByteArray head = "<StartList xmlns=\"http://www.orienteering.org/datastandard/3.0\">"
                                "<ClassStart><PersonStart><Person><Name><Family>Lund</Family><Given>";
        const QByteArray tail = "</Given></Name></Person><Start raceNumber=\"1\"><StartTime>"
                                "2024-06-01T10:00:00Z</StartTime><ControlCard>7</ControlCard></Start>"
                                "</PersonStart></ClassStart></StartList>";
        const QByteArray one = head + "Ann" + tail;
        QTest::newRow("text past the limit") << head + QByteArray(1500 * 1000, 'x') + tail << false;
        QTest::newRow("text at the limit")
            << head + QByteArray(IofXmlDocument::maxTextBytes, 'x') + tail << true;
        QTest::newRow("character reference in a race number")
            << QByteArray(one).replace("raceNumber=\"1\"", "raceNumber=\"&#49;\"") << true;
        QTest::newRow("race number with blanks")
            << QByteArray(one).replace("raceNumber=\"1\"", "raceNumber=\" 1 \"") << true;
        QTest::newRow("character reference in a punching system")
            << QByteArray(one).replace("<ControlCard>", "<ControlCard punchingSystem=\"S&#73;\">") << true;
        QTest::newRow("entity reference in a punching system")
            << QByteArray(one).replace("<ControlCard>", "<ControlCard punchingSystem=\"S&amp;I\">") << false;
        QTest::newRow("prefix without a namespace")
            << QByteArray(one).replace("<Person>", "<p:Person>").replace("</Person>", "</p:Person>") << false;
        QTest::newRow("attribute prefix without a namespace")
            << QByteArray(one).replace("raceNumber=\"1\"", "q:raceNumber=\"2\" raceNumber=\"1\"") << false;
        QTest::newRow("attribute in another namespace") << QByteArray(one).replace(
            "raceNumber=\"1\"", "xmlns:q=\"urn:q\" q:raceNumber=\"2\" raceNumber=\"1\"")
                                                        << true;
        QTest::newRow("start inside a start") << QByteArray(one).replace("<Person>",
            "<PersonStart><Start><StartTime>2024-06-01T09:00:00Z"
            "</StartTime></Start></PersonStart><Person>")
                                              << false;
        QTest::newRow("another root") << QByteArray(one).replace("StartList", "EntryList") << false;
        QTest::newRow("version element")
            << QByteArray(one).replace("<ClassStart>", "<IOFVersion version=\"2.0.3\"/><ClassStart>")
            << false;
        QTest::newRow("version element deeper")
            << QByteArray(one).replace("<ClassStart>", "<ClassStart><IOFVersion version=\"2.0.3\"/>") << true;
        QTest::newRow("doctype") << "<!DOCTYPE StartList SYSTEM \"IOFdata.dtd\">" + one << false;
        QTest::newRow("no start") << QByteArray("<StartList><ClassStart/></StartList>") << false;
        QTest::newRow("broken") << QByteArray(one).chopped(20) << false;
        QTest::newRow("start at the root") << QByteArray(
            "<PersonStart><Start><StartTime>2024-06-01T09:00:00Z</StartTime></Start></PersonStart>")
                                           << false;
        QTest::newRow("texts in odd places") << QByteArray(
            "<StartList><PersonStart><Start raceNumber=\"1\"><Wrap><Family>Inner</Family><StartTime>2024-06-"
            "<ControlCard>11</ControlCard>01T09:00:00Z</StartTime></Wrap></Start><Person><Name><Family>Outer"
            "</Family></Name></Person><ControlCard punchingSystem=\"Emit\">5</ControlCard></PersonStart>"
            "<PersonStart><Wrap><Start raceNumber=\"2\"><StartTime>2024-06-02T09:00:00Z</StartTime></Start>"
            "</Wrap><StartTime>2024-06-01T08:00:00Z</StartTime><ControlCard punchingSystem=\" si \">12"
            "</ControlCard></PersonStart><PersonStart><Start raceNumber=\"2\"><ControlCard>13</ControlCard>"
            "</Start><Start raceNumber=\"1\"><StartTime><StartTime>2024-06-01T07:00:00</StartTime>"
            "</StartTime></Start><Given/></PersonStart></StartList>")
                                             << true;
        QTest::newRow("long list") << longStartList(3000, false, false) << true;
        QTest::newRow("long list in ISO-8859-1") << longStartList(3000, true, false) << true;
        QTest::newRow("long list, prefixed") << longStartList(3000, false, true) << true;
        QTest::newRow("long list cut short") << longStartList(3000, false, false).chopped(200) << false;
    }
    void startListStreamingReadsAsTheTree()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, streams);
        for (const std::optional<int> race :
            {std::optional<int>(), std::optional<int>(1), std::optional<int>(2), std::optional<int>(3)}) {
            const QStringList tree = startOutcomeOf(IOFStartListParser::readTree, xml, race);
            QCOMPARE(startOutcomeOf(IOFStartListParser::parse, xml, race), tree);
            const auto streamed = IOFStartListParser::readStreaming(xml, race);
            QCOMPARE(bool(streamed), streams);
            if (streamed)
                QCOMPARE(startRows(*streamed), tree);
        }
    }

    // A start list cut short at any byte reads as the tree reads it.
    void startListCutShortReadsAsTheTree()
    {
        const QByteArray xml
            = readFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/read/startlist/races-2.xml"));
        for (qsizetype size = 1; size < xml.size(); ++size) {
            const QByteArray cut = xml.left(size);
            const QStringList tree = startOutcomeOf(IOFStartListParser::readTree, cut, 2);
            QCOMPARE(startOutcomeOf(IOFStartListParser::parse, cut, 2), tree);
            if (const auto streamed = IOFStartListParser::readStreaming(cut, 2))
                QCOMPARE(startRows(*streamed), tree);
        }
    }

    // The texts the reader gives are ordinary texts: each ends in a null, an empty one is not a
    // null one, and changing one, while the entry's other texts live on or after they are gone,
    // leaves the others as read.
    void entryTextsChangeOneByOne()
    {
        const QByteArray xml
            = readFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/read/entrylist/encoded-texts.xml"));
        std::optional<IOFEntryListParser::Result> read = IOFEntryListParser::readStreaming(xml);
        QVERIFY(read);
        QList<Participant> entries = std::move(read->participants);
        read.reset();
        QCOMPARE(entries.size(), 5);
        const auto texts = [](Participant &p) {
            QList<QString *> out {&p.givenName, &p.familyName, &p.cardNumber};
            if (p.club)
                out << &*p.club;
            if (p.classId)
                out << &*p.classId;
            return out;
        };
        // Before anything asks for a null's characters, which makes it a text.
        QVERIFY(!entries[1].givenName.isNull()); // "   "
        QVERIFY(!entries[1].familyName.isNull()); // <Family/>
        QVERIFY(entries[4].cardNumber.isNull()); // no ControlCard
        QVERIFY(entries[4].club && !entries[4].club->isNull()); // <Name></Name>
        for (Participant &p : entries) {
            for (QString *text : texts(p))
                QCOMPARE(text->utf16()[text->size()], u'\0');
            QStringList was;
            for (QString *text : texts(p))
                was << QStringView(*text).toString(); // copies of their own
            for (qsizetype k = 0; k < was.size(); ++k) {
                Participant changed = p;
                QString &text = *texts(changed)[k];
                text.append(u"x");
                text.prepend(u"y");
                QCOMPARE(text, u'y' + was[k] + u'x');
                for (qsizetype i = 0; i < was.size(); ++i) {
                    QCOMPARE(*texts(p)[i], was[i]);
                    if (i != k)
                        QCOMPARE(*texts(changed)[i], was[i]);
                }
            }
        }

        // The given name last of its entry's texts: it grows into the room the others left.
        QString given = std::move(entries[0].givenName);
        entries.clear();
        given.prepend(u"Anne ");
        given.append(u"-Marie");
        QCOMPARE(given, QStringLiteral("Anne \u00C5se-Marie"));
        QCOMPARE(given.utf16()[given.size()], u'\0');
    }

    // A DTD that points at a local server is never fetched: the server sees no connection.
    void externalReferencesAreNeverFetched()
    {
        // A bare loopback listener: any fetch attempt would leave a connection in its backlog.
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(listener >= 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0);
        QVERIFY(::listen(listener, 4) == 0);
        socklen_t len = sizeof addr;
        QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) == 0);
        ::fcntl(listener, F_SETFL, O_NONBLOCK);
        const QByteArray url = "http://127.0.0.1:" + QByteArray::number(ntohs(addr.sin_port)) + "/x";
        const QByteArray docs[] = {
            "<!DOCTYPE EntryList SYSTEM \"" + url
                + "\"><EntryList><PersonEntry><Person/></PersonEntry></EntryList>",
            "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + url
                + "\">]><EntryList><PersonEntry>&e;</PersonEntry></EntryList>",
            "<EntryList xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"" + url
                + "\"/><PersonEntry><Person/></PersonEntry></EntryList>",
        };
        for (const QByteArray &doc : docs)
            (void)failureOf("entrylist", doc);
        const int accepted = ::accept(listener, nullptr, nullptr);
        if (accepted >= 0)
            ::close(accepted);
        ::close(listener);
        QCOMPARE(accepted, -1);
    }

    void errorNamesTheLine()
    {
        const QString message = failureOf("entrylist", "<EntryList>\n<PersonEntry>\n</Entry>\n</EntryList>");
        QVERIFY2(message.contains(QStringLiteral("(line 3)")), qPrintable(message));
    }

    // Decimal and integer texts are read strictly (tests/data/iof/numbers.txt).
    void numbers()
    {
        int cases = 0;
        for (const QStringList &parts : casetable::rows(QStringLiteral("iof/numbers.txt"))) {
            const auto integer = iofInteger(parts[0]);
            const auto decimal = iofDecimal(parts[0]);
            QCOMPARE(integer ? QString::number(*integer) : QStringLiteral("-"), parts[1]);
            QCOMPARE(decimal ? QString::number(*decimal, 'g', 17) : QStringLiteral("-"), parts[2]);
            ++cases;
        }
        QVERIFY(cases > 10);
    }
};

QTEST_GUILESS_MAIN(TestIofReadCases)
#include "tst_iofreadcases.moc"
