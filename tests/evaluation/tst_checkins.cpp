// Applying pulled check-in entries to the event's entries.
#include "casetable.h"
#include "checkins.h"
#include "evaluationfixtures.h"

#include <QTest>

namespace {

ChecklistEntry entry(const QString &id, const QString &card, const QString &status, bool hasNew = false,
    std::optional<QString> newCard = std::nullopt)
{
    return ChecklistEntry {id, card, status, hasNew, newCard};
}

Participant person(const QString &card, std::optional<QString> externalId = std::nullopt)
{
    Participant p;
    p.cardNumber = card;
    p.externalId = externalId;
    return p;
}

const QDateTime firstPull = at(8, 0);
const QDateTime secondPull = at(8, 1);

} // namespace

class TestCheckins : public QObject
{
    Q_OBJECT

private slots:
    void emptyOrUnmatchedListChangesNothing()
    {
        Race race;
        race.participants = {person("1"), person("2", QStringLiteral("x"))};
        QVERIFY(!applyChecklistCheckins(race, {}, firstPull));
        QVERIFY(!applyChecklistCheckins(race, {entry("e9", "9", "OK")}, firstPull));
        QVERIFY(!race.participants[0].externalId);
    }

    void linksByCardThenById()
    {
        Race race;
        race.participants = {person("1"), person("2")};
        QVERIFY(applyChecklistCheckins(race, {entry("e1", "1", "")}, firstPull));
        QCOMPARE(race.participants[0].externalId, QStringLiteral("e1"));
        // Later pulls find it by id even after the card changed on the service.
        QVERIFY(applyChecklistCheckins(race, {entry("e1", "555", "OK")}, firstPull));
        QCOMPARE(race.participants[0].checkedInAt, firstPull);
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("1"));
    }

    void sameListTwiceKeepsFirstCheckInTime()
    {
        Race race;
        race.participants = {person("1"), person("2")};
        const QList<ChecklistEntry> list {entry("e1", "1", "OK"), entry("e2", "2", "DNS")};
        QVERIFY(applyChecklistCheckins(race, list, firstPull));
        QVERIFY(!applyChecklistCheckins(race, list, secondPull));
        QCOMPARE(race.participants[0].checkedInAt, firstPull);
        QCOMPARE(race.participants[1].status, ParticipantStatus::Dns);
    }

    void status_data() { casetable::load("evaluation/checkin-status.tsv"); }
    void status()
    {
        QFETCH(QStringList, cells);
        const auto status = [](const QString &text) {
            return text == u"-" ? std::nullopt : participantStatusFromText(text);
        };
        Race race;
        race.participants = {person("1", QStringLiteral("e1"))};
        race.participants[0].status = status(cells[1]);
        race.participants[0].checkedInAt = at(7, 0);
        (void)applyChecklistCheckins(race, {entry("e1", "1", cells[0])}, firstPull);
        QCOMPARE(race.participants[0].status, status(cells[2]));
        // A runner already checked in keeps the first time.
        QCOMPARE(race.participants[0].checkedInAt, cells[3] == u"1" ? std::optional(at(7, 0)) : std::nullopt);
    }

    void secondEntryWithSameCardFindsNoUnlinkedRunner()
    {
        Race race;
        race.participants = {person("1"), person("2", QStringLiteral("other"))};
        QVERIFY(applyChecklistCheckins(race, {entry("e1", "1", "OK"), entry("e2", "1", "OK")}, firstPull));
        QCOMPARE(race.participants[0].externalId, QStringLiteral("e1"));
        QCOMPARE(race.participants[1].externalId, QStringLiteral("other"));
    }

    void linkedRunnerIsNotMatchedByCard()
    {
        Race race;
        race.participants = {person("1", QStringLiteral("e1"))};
        QVERIFY(!applyChecklistCheckins(race, {entry("e2", "1", "OK")}, firstPull));
        QVERIFY(!race.participants[0].checkedInAt);
    }

    void blankCardNeverLinksARunner_data()
    {
        QTest::addColumn<QString>("card");
        QTest::newRow("empty") << "";
        QTest::newRow("spaces") << "   ";
    }
    void blankCardNeverLinksARunner()
    {
        QFETCH(QString, card);
        Race race;
        race.participants = {person(card), person("")};
        QVERIFY(!applyChecklistCheckins(race, {entry("e1", card, "OK")}, firstPull));
        QVERIFY(!race.participants[0].externalId && !race.participants[1].externalId);
        QVERIFY(!race.participants[0].checkedInAt);
    }

    void pendingCardNumber()
    {
        Race race;
        race.participants = {person("1", QStringLiteral("e1"))};
        QVERIFY(
            applyChecklistCheckins(race, {entry("e1", "1", "", true, QStringLiteral("8001"))}, firstPull));
        QCOMPARE(race.participants[0].pendingCardNumber, QStringLiteral("8001"));
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("1"));
        QVERIFY(
            !applyChecklistCheckins(race, {entry("e1", "1", "", true, QStringLiteral("8001"))}, firstPull));
        QVERIFY(
            applyChecklistCheckins(race, {entry("e1", "1", "", false, QStringLiteral("8001"))}, firstPull));
        QVERIFY(!race.participants[0].pendingCardNumber);
        // Reported as new but without a number: nothing pending.
        QVERIFY(!applyChecklistCheckins(race, {entry("e1", "1", "", true)}, firstPull));
    }
};

QTEST_GUILESS_MAIN(TestCheckins)
#include "tst_checkins.moc"
