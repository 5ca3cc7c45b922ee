// Every case under tests/data/iof/read/<reader>/: NAME.xml is read by that reader and the outcome,
// written out line by line, must equal NAME.expected. A first line "race: N" in the expected file
// asks for race N. The official examples are listed in tests/data/iof/read/examples.txt, with
// their outcomes in examples/<reader>-<example>.expected. A new case is a new pair of files.
#include "casetable.h"
#include "iofcoursedataparser.h"
#include "iofentrylistparser.h"
#include "iofstartlistparser.h"
#include "log.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <ctime>

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
    for (const QString &line : log.lines())
        out << QStringLiteral("log ") + line;
    return out;
}

QStringList entryOutcome(const QByteArray &xml)
{
    QStringList out;
    const auto result = IOFEntryListParser::parse(xml);
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

QStringList startOutcome(const QByteArray &xml, std::optional<int> race)
{
    QStringList out;
    for (const auto &row : IOFStartListParser::parse(xml, race)) {
        out << QStringLiteral("start card=%1 family=%2 given=%3 time=%4")
                   .arg(optional(row.cardNumber), optional(row.familyName), optional(row.givenName),
                       row.startTime.timeSpec() == Qt::UTC ? row.startTime.toString(Qt::ISODateWithMs)
                                                           : QStringLiteral("not UTC"));
    }
    return out;
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
};

QTEST_GUILESS_MAIN(TestIofReadCases)
#include "tst_iofreadcases.moc"
