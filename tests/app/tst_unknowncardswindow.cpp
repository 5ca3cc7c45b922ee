// Cards read that no entry holds, in the real main window offscreen at its minimum size, in both
// languages: kept and listed in the Status section, given to an entry through the unmatched-card
// sheet opened from that list, or dismissed. Any QML warning fails the test; screenshots land in
// the build folder.

#include "racedaywindow.h"
#include "testenvironment.h"
#include "uichecks.h"
#include "unmatchedcardsheet.h"

namespace {

// The race-day event with Lone Wolf and Per Vik entered in H21 without a card.
Race eventWithOpenEntries()
{
    return testEvent(QStringLiteral("app/race-day-open-entries.json"));
}

} // namespace

class TestUnknownCardsWindow : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_unknowncardswindow"); }

    void keptCardsInTheStatusSection_data() { addLanguageRows(); }
    void keptCardsInTheStatusSection()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(eventWithOpenEntries());
            VexloApp &app = *w.app;
            w.mayElide = {QStringLiteral("outstandingDetail")};
            const QString code = w.atMinimumSizeIn(languageIndex);

            // Nothing kept: the Status section shows no such list.
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(w.item(QStringLiteral("outstandingRow_Lone Wolf")));
            QVERIFY(!w.item(QStringLiteral("unknownCardsSection")));

            // Two cards nobody holds, read one after the other: the second read no longer
            // pushes the first out of sight.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
            w.read(simCard(2000098), RaceDayDesk::CardStatus::Unmatched);
            w.clock->advance(std::chrono::seconds(10));
            app.content().setSelectedItem(SidebarItem::Pending);
            const QString card99 = localized(QStringLiteral("Card %@"), QStringLiteral("2000099"));
            const QString card98 = localized(QStringLiteral("Card %@"), QStringLiteral("2000098"));
            QTRY_VERIFY(w.item(QStringLiteral("unknownCardRow_") + card99));
            QVERIFY(w.item(QStringLiteral("unknownCardRow_") + card98));
            QCOMPARE(w.item(QStringLiteral("unknownCardsTitle"))->property("text").toString(),
                localized(QStringLiteral("Cards read with no runner (%@)"), 2));
            w.shot(code + QStringLiteral("-status-unknown-cards"));

            // "Register..." opens the sheet for the kept card; it goes to Lone Wolf, leaves the
            // list, and becomes his result.
            w.click(w.itemIn(
                QStringLiteral("unknownCardRow_") + card99, QStringLiteral("registerKeptCardButton")));
            QTRY_VERIFY(w.item(QStringLiteral("candidate_Lone Wolf")));
            w.shot(code + QStringLiteral("-status-unknown-card-sheet"));
            w.click(w.itemIn(QStringLiteral("candidate_Lone Wolf"), QStringLiteral("assignCardButton")));
            QTRY_VERIFY(!w.item(QStringLiteral("unmatchedCardSheet")));
            QTRY_VERIFY(!w.item(QStringLiteral("unknownCardRow_") + card99));
            QCOMPARE(w.store->race().unknownCards->size(), 1);
            const auto &results = w.store->race().results;
            QVERIFY(std::any_of(results.cbegin(), results.cend(),
                [](const PersonResult &r) { return r.cardNumber == QLatin1String("2000099"); }));
            QVERIFY(!w.item(QStringLiteral("outstandingRow_Lone Wolf")));

            // "Dismiss" drops the other for good; the list goes with it.
            w.click(w.itemIn(
                QStringLiteral("unknownCardRow_") + card98, QStringLiteral("dismissKeptCardButton")));
            QTRY_VERIFY(!w.item(QStringLiteral("unknownCardsSection")));
            QVERIFY(!w.store->race().unknownCards);
            w.shot(code + QStringLiteral("-status-unknown-cards-done"));
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestUnknownCardsWindow)
#include "tst_unknowncardswindow.moc"
