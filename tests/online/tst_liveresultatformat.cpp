// Every case under tests/data/online/liveresultat: <case>.input.json holds the event id, the
// password and the race (and, for a diff, the previously accepted race); <case>.body.json the
// exact bytes of the body that goes to the service.

#include "liveresultatformat.h"
#include "racejson.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <ctime>

using namespace liveresultat;

namespace {
QByteArray read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

Race raceFrom(const QJsonValue &v)
{
    QString error;
    std::optional<Race> race = decodeRace(QJsonDocument(v.toObject()).toJson(), &error);
    if (!race)
        qFatal("bad race in case: %s", qPrintable(error));
    return *race;
}
} // namespace

class TestLiveResultatFormat : public QObject
{
    Q_OBJECT

private slots:
    void body_data()
    {
        QTest::addColumn<QString>("base");
        const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/online/liveresultat"));
        const QStringList inputs = dir.entryList({QStringLiteral("*.input.json")}, QDir::Files, QDir::Name);
        QVERIFY(!inputs.isEmpty());
        for (const QString &input : inputs) {
            const QString name = input.chopped(int(QStringLiteral(".input.json").size()));
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
        }
    }
    void body()
    {
        QFETCH(QString, base);
        const QJsonObject input
            = QJsonDocument::fromJson(read(base + QStringLiteral(".input.json"))).object();
        const qint64 eventId = input.value(QStringLiteral("eventid")).toInteger();
        const QString password = input.value(QStringLiteral("password")).toString();
        const Race race = raceFrom(input.value(QStringLiteral("race")));
        QByteArray body;
        if (input.contains(QStringLiteral("previous"))) {
            const Race previous = raceFrom(input.value(QStringLiteral("previous")));
            body = diffUploadBody(eventId, password,
                diffRunners(makeRunnerSnapshots(previous), makeRunnerSnapshots(race)),
                diffResults(makeResultSnapshots(previous), makeResultSnapshots(race)));
        } else {
            body = completeUploadBody(eventId, password, makeUploadClasses(race), makeRunnerSnapshots(race),
                makeResultSnapshots(race));
        }
        const QByteArray expected = read(base + QStringLiteral(".body.json"));
        if (body + '\n' != expected)
            qWarning().noquote() << "sent:" << body; // the whole body, not QCOMPARE's first bytes
        QCOMPARE(body + '\n', expected);
    }

    void eventIds()
    {
        QCOMPARE(parseEventId(QStringLiteral("+42")), std::optional<qint64>(42));
        QCOMPARE(parseEventId(QStringLiteral("-7")), std::optional<qint64>(-7));
        QCOMPARE(parseEventId(QStringLiteral("9223372036854775807")), std::optional<qint64>(INT64_MAX));
        for (const char *bad : {"", " 42", "42 ", "42a", "+", "9223372036854775808", "٤٢", "4 2", "5\n",
                 "5\r\n", "12a45", "\n5"})
            QVERIFY2(!parseEventId(QString::fromUtf8(bad)), bad);
    }
};

int main(int argc, char **argv)
{
    // Start times are local times of day: the same zone when run by hand as under ctest.
    qputenv("TZ", "Europe/Copenhagen");
    tzset();
    QCoreApplication app(argc, argv);
    TestLiveResultatFormat test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_liveresultatformat.moc"
