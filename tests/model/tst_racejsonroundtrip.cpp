// Whatever the event reader accepts can be saved and opened again unchanged: decode, encode,
// decode, encode gives the same bytes twice. Inputs: seeded random mutations of generated events
// (dates at the ends of the calendar, U+FEFF, numbers at the ends of their range spliced in), and
// the documents under tests/data/model/roundtrip/, each with its expected outcome beside it
// (NAME.json, NAME.expected: "reads back" or "refused: <error text>").
#include "racegenerator.h"
#include "racejson.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

// Empty when the document reads back the same; else what went wrong.
QString roundTripFault(const QByteArray &json, bool *accepted, QString *error)
{
    const auto race = decodeRace(json, error);
    *accepted = bool(race);
    if (!race)
        return {};
    for (JsonLayout layout : {JsonLayout::Compact, JsonLayout::PrettySorted}) {
        QString why;
        const auto first = encodeRace(*race, layout, &why);
        if (!first)
            return QStringLiteral("accepted but not writable: ") + why;
        const auto again = decodeRace(*first, &why);
        if (!again)
            return QStringLiteral("written but not readable: ") + why;
        const auto second = encodeRace(*again, layout);
        if (!second || *second != *first)
            return QStringLiteral("does not read back the same");
    }
    return {};
}

} // namespace

class TestRaceJsonRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void documents_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/model/roundtrip"));
        const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        if (files.size() < 5)
            qFatal("round-trip documents missing in %s", qPrintable(dir.path()));
        for (const QString &file : files)
            QTest::addRow("%s", qPrintable(file)) << dir.filePath(file);
    }
    void documents()
    {
        QFETCH(QString, path);
        bool accepted = false;
        QString error;
        const QString fault = roundTripFault(readFile(path), &accepted, &error);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        const QString expected = QString::fromUtf8(readFile(path.chopped(5) + ".expected")).trimmed();
        QCOMPARE(accepted ? QStringLiteral("reads back") : QStringLiteral("refused: ") + error, expected);
    }

    void randomDocuments()
    {
        RaceGeneratorOptions options;
        options.entries = 12;
        options.stages = 2;
        options.classes = 3;
        options.courses = 3;
        options.splitsPerResult = 3;
        const QByteArray base = *encodeRace(generateRace(options), JsonLayout::Compact);
        // Values spliced over a string or number of the document.
        const QList<QByteArray> splices = {"\"0001-01-01T00:30:00+01:00\"", "\"9999-12-31T23:30:00-01:00\"",
            "\"0001-01-01T00:00:00Z\"", "\"9999-12-31T23:59:59Z\"", "\"\\ufeffx\"",
            "\"\xEF\xBB\xBF"
            "8001\"",
            "\"x\xEF\xBB\xBFy\"", "\"\\ud800\"", "1e308", "-1e308", "9223372036854775807", "-0", "5e-324",
            "null", "true", "\"\"", "{}", "[]"};
        QRandomGenerator rng(20261206);
        int accepted = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray json = base;
            for (int edits = 1 + rng.bounded(2); edits > 0; --edits) {
                const qsizetype at = rng.bounded(json.size());
                switch (rng.bounded(4)) {
                case 0:
                case 1: { // replace the value that starts at the next ':' with a splice
                    const qsizetype colon = json.indexOf(':', at);
                    if (colon < 0)
                        break;
                    qsizetype end = colon + 1;
                    if (json[end] == '"') {
                        end = json.indexOf('"', end + 1) + 1;
                    } else {
                        while (end < json.size() && json[end] != ',' && json[end] != '}' && json[end] != ']')
                            ++end;
                    }
                    if (end > colon)
                        json.replace(colon + 1, end - colon - 1, splices[rng.bounded(splices.size())]);
                    break;
                }
                case 2:
                    json[at] = char(rng.bounded(256));
                    break;
                default:
                    json.remove(at, 1 + rng.bounded(4));
                }
            }
            bool ok = false;
            QString error;
            const QString fault = roundTripFault(json, &ok, &error);
            if (!fault.isEmpty())
                QFAIL(qPrintable(fault + u'\n' + QString::fromUtf8(json)));
            accepted += ok;
        }
        // The mutations must leave enough documents readable to test anything.
        QVERIFY2(accepted > 200, qPrintable(QString::number(accepted)));
    }
};

QTEST_GUILESS_MAIN(TestRaceJsonRoundTrip)
#include "tst_racejsonroundtrip.moc"
