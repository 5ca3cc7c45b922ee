// Whatever the event reader accepts can be saved and opened again unchanged: decode, encode,
// decode, encode gives the same bytes twice. Inputs: the documents under tests/data/model/roundtrip/
// (dates at the ends of the calendar, U+FEFF, numbers at the ends of their range), each with its
// expected outcome beside it (NAME.json, NAME.expected: "reads back" or "refused: <error text>").
// Random documents get the same check from the fuzz target fuzz_eventjson.
#include "casetable.h"
#include "racejson.h"

#include <QDir>
#include <QTest>

namespace {

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
        const QString fault = roundTripFault(casetable::readFile(path), &accepted, &error);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        const QString expected
            = QString::fromUtf8(casetable::readFile(path.chopped(5) + ".expected")).trimmed();
        QCOMPARE(accepted ? QStringLiteral("reads back") : QStringLiteral("refused: ") + error, expected);
    }
};

QTEST_GUILESS_MAIN(TestRaceJsonRoundTrip)
#include "tst_racejsonroundtrip.moc"
