// The entry download against a small HTTP server on 127.0.0.1 run by the test itself.
#include "casetable.h"
#include "entryimport.h"
#include "loopbackhttpserver.h"
#include "storeharness.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const QByteArray list = casetable::readData(QStringLiteral("imports/entrylist-two.xml"));

struct Outcome
{
    bool done = false;
    int saves = 0;
    std::optional<QString> error;
};

} // namespace

class TestEntryDownload : public QObject
{
    Q_OBJECT

private:
    // Runs one import and waits for its outcome.
    Outcome run(Race &race, const QUrl &url)
    {
        QNetworkAccessManager network;
        Outcome outcome;
        QObject context;
        importEntries(
            network, url, &context, [&race] { return &race; }, [&outcome] { ++outcome.saves; },
            [&outcome](const std::optional<QString> &error) {
                outcome.done = true;
                outcome.error = error;
            });
        // Delivered asynchronously, never inside the call.
        if (outcome.done)
            qFatal("outcome delivered synchronously");
        [&] { QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000); }();
        return outcome;
    }

private slots:
    void failures_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("404") << 0 << "Server returned status 404";
        QTest::newRow("not xml") << 1 << "The file is not well-formed XML: ";
        QTest::newRow("dropped connection") << 2 << "Could not download the entry list: ";
        QTest::newRow("dropped mid-body") << 3 << "Could not download the entry list: ";
    }
    void failures()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        const OneShotHttpServer::Answer answers[] = {
            OneShotHttpServer::reply(404, "<html>Not Found</html>"),
            OneShotHttpServer::reply(200, "<html><body>Maintenance<br></body></html>"),
            OneShotHttpServer::drop(),
            OneShotHttpServer::drop(
                "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n<EntryList><PersonEntry>"),
        };
        OneShotHttpServer server(answers[kind]);
        Race race;
        Participant stored;
        stored.givenName = QStringLiteral("Kept");
        race.participants = {stored};
        const QByteArray before = compactJson(race);
        const Outcome outcome = run(race, server.url());
        QVERIFY(outcome.error);
        QVERIFY2(outcome.error->startsWith(message), qPrintable(*outcome.error));
        QCOMPARE(outcome.saves, 0);
        QCOMPARE(compactJson(race), before);
    }

    void onlyWebAddresses_data() { casetable::load("store/entry-download-refused.tsv"); }
    void onlyWebAddresses()
    {
        QFETCH(QStringList, cells);
        OneShotHttpServer server(OneShotHttpServer::reply(200, list));
        Race race;
        const Outcome outcome = run(race, QUrl(cells[0]));
        QVERIFY(outcome.error);
        QVERIFY2(outcome.error->startsWith(
                     QStringLiteral("Entry lists can only be downloaded from http:// or https:// addresses")),
            qPrintable(*outcome.error));
        QVERIFY(race.participants.isEmpty());
        QCOMPARE(server.connections(), 0);
    }

    // The race is read when the answer arrives, not when the request was made.
    void appliesToTheRaceAsItIsOnArrival()
    {
        OneShotHttpServer server(OneShotHttpServer::reply(200, list));
        QNetworkAccessManager network;
        Race race;
        bool done = false;
        importEntries(
            network, server.url(), &server, [&race] { return &race; }, {},
            [&done](const std::optional<QString> &) { done = true; });
        Participant addedMeanwhile;
        addedMeanwhile.cardNumber = QStringLiteral("100");
        race.participants.append(addedMeanwhile);
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QCOMPARE(race.participants.size(), 3);
        QCOMPARE(race.participants[2].cardNumber, QStringLiteral("101"));
    }

    // Once the receiver is gone, nothing is delivered.
    void goneReceiverGetsNothing()
    {
        OneShotHttpServer server(OneShotHttpServer::reply(200, list));
        QNetworkAccessManager network;
        bool called = false;
        {
            QObject context;
            downloadEntryList(
                network, server.url(), &context,
                [&called](const QByteArray &, std::optional<int>) { called = true; },
                [&called](const QString &) { called = true; });
        }
        // A later download on the same server finishing shows the first had every chance to deliver.
        QObject live;
        bool secondDone = false;
        downloadEntryList(
            network, server.url(), &live, [&](const QByteArray &, std::optional<int>) { secondDone = true; },
            [&](const QString &) { secondDone = true; });
        QTRY_VERIFY_WITH_TIMEOUT(secondDone, 20000);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestEntryDownload)
#include "tst_entrydownload.moc"
