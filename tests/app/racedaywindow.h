#pragma once

// The real main window over a private store and the station simulator, offscreen: the fixture of
// the window tests that read cards. Settings, autosave folder and key store are private to the
// test; the reader sees only the simulator's port; the clock is manual.

#include "localization.h"
#include "racestoreshell.h"
#include "stationsimulator.h"
#include "storeoptions.h"
#include "testevent.h"
#include "vexloapp.h"
#include "windowdriver.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

// An event with three classes and a handful of results already read; Karen Bech mispunched.
inline Race raceDayEvent()
{
    return testEvent(QStringLiteral("app/race-day.json"));
}

// A card of the event's course: with `mispunch` the second control is missing.
inline SimCard simCard(quint32 number, bool mispunch = false)
{
    SimCard card;
    card.series = SimCard::Series::SI8;
    card.number = number;
    card.start = 10 * 3600;
    card.punches = {SimPunch {31, 10 * 3600 + 300}};
    if (!mispunch)
        card.punches.append(SimPunch {32, 10 * 3600 + 500});
    card.finish = 10 * 3600 + 754;
    return card;
}

class RaceDayWindow : public WindowDriver
{
public:
    // `prepare` is given the test's folder before the store starts: files start-up is to find
    // there (settings.ini, the autosave folder "autosave"). `now`, when given, is the store's
    // clock (the day it takes for today, the time it stamps on reads).
    explicit RaceDayWindow(const Race &race, const std::function<void(const QString &)> &prepare = {},
        std::function<QDateTime()> now = {})
    {
        QVERIFY(station.start());
        QVERIFY(QFile::link(station.devicePath(), stationPort()));
        if (prepare)
            prepare(dir.path());
        RaceStoreOptions options = storeOptionsIn(dir.path(), QStringLiteral("autosave"));
        options.clock = std::move(now);
        auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
        store = &shell->raceStore();
        store->setRace(race);
        SIDeviceRoots roots;
        roots.sysRoot = dir.filePath(QStringLiteral("no-sys"));
        roots.devRoot = dir.filePath(QStringLiteral("no-dev"));
        roots.extraPorts = {stationPort()};
        app = std::make_unique<VexloApp>(
            std::move(shell), std::make_unique<CardReaderViewModel>(clock, roots));
        QVERIFY(app->raceDay());
        app->raceDay()->setClock(clock);
        QVERIFY(app->start());
        window = app->window();
        QVERIFY(QTest::qWaitForWindowExposed(window, testwaits::ceilingMs));
    }

    // Shrinks the window to its minimum size and shows it in the language of the row
    // `languageIndex` (see addLanguageRows()); returns that language's code, which names the shots.
    QString atMinimumSizeIn(int languageIndex)
    {
        window->resize(window->minimumSize());
        app->languagePicker().pick(languageIndex);
        return app->languagePicker().languageCode();
    }

    // Reads `card` through the station until its result (or unmatched row) is on show.
    void read(const SimCard &card, RaceDayDesk::CardStatus expected = RaceDayDesk::CardStatus::Result)
    {
        station.removeCard();
        clock->advance(std::chrono::seconds(1));
        const auto &last = app->reader().lastCardRead();
        const QDateTime before = last ? last->readAt : QDateTime();
        station.insertCard(card);
        QTRY_VERIFY(last && last->readAt != before && app->reader().isCardDataComplete());
        QCOMPARE(last->cardNumber, QString::number(card.number));
        QTRY_COMPARE(app->raceDay()->cardStatus(), expected);
    }

    // The station's port as the reader knows it: a link to the simulator's terminal, so that the
    // station keeps its name when it is plugged in again, as a USB station does (a restarted
    // simulator gets whichever terminal is free).
    [[nodiscard]] QString stationPort() const { return dir.filePath(QStringLiteral("station")); }
    // Pulls the station's cable: its terminal closes and its port goes, as a USB station's does. A
    // link left behind would name whichever terminal the system hands that number to next, often
    // another test program's station.
    void unplug()
    {
        station.unplug();
        QFile::remove(stationPort());
    }
    // Plugs the station in again after unplug(), under the same port.
    [[nodiscard]] bool replug()
    {
        if (!station.start())
            return false;
        QFile::remove(stationPort());
        return QFile::link(station.devicePath(), stationPort());
    }

    QTemporaryDir dir;
    StationSimulator station;
    std::shared_ptr<ManualReaderClock> clock
        = std::make_shared<ManualReaderClock>(QDateTime(QDate(2025, 6, 14), QTime(10, 30)));
    RaceStore *store = nullptr;
    std::unique_ptr<VexloApp> app;
};
