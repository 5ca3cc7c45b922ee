// The card-read look-ups asked directly, step by step on small events: which entry a card finds,
// a runner's latest result of a stage, and the latest read of a card in a stage, after building,
// after appended reads and after other changes. Cases: tests/data/evaluation/recording-index.tsv.
#include "casetable.h"
#include "recordingindex.h"

#include <QTest>
#include <QTimeZone>

namespace {

QUuid runnerId(const QString &name)
{
    // "p3" is the fourth entry's id; a name past the entries is a runner without an entry.
    return QUuid(uint(name.mid(1).toUInt() + 1), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

std::optional<QString> stage(const QString &text)
{
    return text == QLatin1String("-") ? std::nullopt : std::optional<QString>(text);
}

// "10:05" UTC on the race day; "10:05+60" at an offset of 60 minutes (the same wall time, so an
// hour earlier); "-" no valid time.
QDateTime readTime(const QString &text)
{
    if (text == QLatin1String("-"))
        return {};
    const QDate day(2025, 6, 13);
    const QTime time = QTime::fromString(text.left(5), QStringLiteral("HH:mm"));
    if (text.size() > 5)
        return QDateTime(day, time, QTimeZone(text.mid(5).toInt() * 60));
    return QDateTime(day, time, Qt::UTC);
}

PersonResult result(const QStringList &fields)
{
    PersonResult r;
    r.participantId = runnerId(fields.value(0));
    r.cardNumber = fields.value(1);
    r.stageId = stage(fields.value(2));
    r.readAt = readTime(fields.value(3));
    return r;
}

QString resultName(const Race &race, const PersonResult *found)
{
    return found ? QStringLiteral("r%1").arg(found - race.results.constData()) : QStringLiteral("none");
}

} // namespace

class TestRecordingIndex : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("TZ", "UTC"); }

    void lookUps_data() { casetable::load("evaluation/recording-index.tsv"); }
    void lookUps()
    {
        QFETCH(QStringList, cells);
        Race race;
        qsizetype n = 0;
        for (const QString &card : cells.value(0).split(QLatin1Char('|'))) {
            Participant p;
            p.id = runnerId(QStringLiteral("p%1").arg(n++));
            p.cardNumber = card;
            race.participants.append(p);
        }
        if (!cells.value(1).isEmpty()) {
            for (const QString &fields : cells.value(1).split(QLatin1Char('|')))
                race.results.append(result(fields.split(QLatin1Char(';'))));
        }
        RecordingIndex index;
        for (const QString &step : cells.value(2).split(QLatin1Char('|'))) {
            const QStringList f = step.split(QLatin1Char(';'));
            const QString &op = f[0];
            if (op == QLatin1String("append")) {
                race.results.append(result(f.mid(1)));
                index.resultAppended(race);
                continue;
            }
            if (op == QLatin1String("invalidate")) {
                index.invalidate();
                continue;
            }
            if (op == QLatin1String("remove")) {
                // The entry goes; its results stay.
                race.participants.removeIf([&](const Participant &p) { return p.id == runnerId(f[1]); });
                index.invalidate();
                continue;
            }
            QString answer;
            if (op == QLatin1String("card")) {
                const Participant *p = index.participantWithCard(race, f[1]);
                answer = p ? QStringLiteral("p%1").arg(p->id.data1 - 1) : QStringLiteral("none");
            } else if (op == QLatin1String("latest")) {
                answer = resultName(race, index.latestResult(race, runnerId(f[1]), stage(f[2])));
            } else if (op == QLatin1String("ofcard")) {
                answer = resultName(race, index.latestResultOfCard(race, f[1], stage(f[2])));
            } else if (op == QLatin1String("read")) {
                const std::optional<QDateTime> read = index.latestRead(race, f[1], stage(f[2]));
                answer = !read        ? QStringLiteral("none")
                    : read->isValid() ? read->toString(Qt::ISODate)
                                      : QStringLiteral("invalid");
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
            QVERIFY2(answer == f.last(), qPrintable(step + QStringLiteral(" gave ") + answer));
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordingIndex)
#include "tst_recordingindex.moc"
