// Entry lists: rental card numbers, matching and re-imports, the refused files, and the download.
#include "casetable.h"
#include "coursesetup.h"
#include "entryimport.h"
#include "log.h"
#include "loopbackhttpserver.h"
#include "racegenerator.h"
#include "storeharness.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

Participant entry(const QString &given, const QString &family, const QString &card,
    std::optional<QString> classId = std::nullopt)
{
    Participant p;
    p.givenName = given;
    p.familyName = family;
    p.cardNumber = card;
    p.classId = std::move(classId);
    return p;
}

Stage stage(const QString &id)
{
    Stage s;
    s.id = id;
    return s;
}

QByteArray entryFile(const char *name)
{
    return casetable::readData(QStringLiteral("imports/") + QLatin1String(name));
}

const QByteArray standardList = entryFile("entrylist-standard.xml");

// A file under tests/data/iof, or under the official examples for "examples/...".
QByteArray iofFile(const QString &path)
{
    return casetable::readFile(
        (path.startsWith(QStringLiteral("examples/")) ? QStringLiteral(VEXLO_IOF_DIR "/")
                                                      : QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/"))
        + path);
}

const QByteArray list = casetable::readData(QStringLiteral("imports/entrylist-two.xml"));

// Entries as the merge cases write them: given|family|card[|club[|class]], "; " between them.
QList<Participant> entriesFromCell(const QString &cell)
{
    QList<Participant> out;
    if (cell.isEmpty())
        return out;
    for (QString text : cell.split(QStringLiteral("; "))) {
        // A "*" at the end marks a rental card, as entryCell writes it.
        const bool rental = text.endsWith(u'*');
        if (rental)
            text.chop(1);
        const QStringList f = text.split(u'|');
        if (f.size() < 3)
            qFatal("entry needs given|family|card: %s", qPrintable(text));
        Participant p = entry(f[0], f[1], f[2]);
        if (f.size() > 3)
            p.club = f[3];
        if (f.size() > 4)
            p.classId = f[4];
        if (rental)
            p.isRentalCard = true;
        out.append(p);
    }
    return out;
}

QString entryCell(const Participant &p)
{
    QString text = p.givenName + u'|' + p.familyName + u'|' + p.cardNumber;
    if (p.club || p.classId)
        text += u'|' + p.club.value_or(QStringLiteral("~"));
    if (p.classId)
        text += u'|' + *p.classId;
    return text + (p.isRentalCard.value_or(false) ? QStringLiteral("*") : QString());
}

struct Outcome
{
    bool done = false;
    int saves = 0;
    std::optional<QString> error;
};

} // namespace

class TestEntryImport : public QObject
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
        [&] { QTRY_VERIFY(outcome.done); }();
        return outcome;
    }

private slots:
    void rentalNumbersAroundStoredOnes()
    {
        Race race;
        race.participants = {entry("X", "One", "100"), entry("Y", "Two", "102")};
        const auto numbered = assignRentalCardNumbers(
            race, {entry("A", "A", ""), entry("B", "B", "0"), entry("C", "C", ""), entry("D", "D", " 0")});
        QCOMPARE(numbered[0].cardNumber, QStringLiteral("101"));
        QCOMPARE(numbered[1].cardNumber, QStringLiteral("103"));
        QCOMPARE(numbered[2].cardNumber, QStringLiteral("104"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(numbered[i].isRentalCard, std::optional<bool>(true));
        QCOMPARE(numbered[3].cardNumber, QStringLiteral(" 0"));
        QVERIFY(!numbered[3].isRentalCard);
        QCOMPARE(race.participants.size(), 2);
    }

    // The list's own card numbers are taken too: one import never hands out a card twice.
    void importedNumbersCountAsInUse()
    {
        Race race;
        const auto numbered = assignRentalCardNumbers(race, {entry("A", "A", "100"), entry("B", "B", "")});
        QCOMPARE(numbered[1].cardNumber, QStringLiteral("101"));
    }

    void exhaustionIsLoggedPerEntry()
    {
        Race race;
        for (int n = firstRentalCardNumber; n <= lastRentalCardNumber; ++n)
            race.participants.append(entry("R", QString::number(n), QString::number(n)));
        LogCapture log;
        const auto numbered = assignRentalCardNumbers(
            race, {entry(" Ann\t", "Berg ", ""), entry("Bo", "", ""), entry("C", "C", "7")});
        QCOMPARE(numbered[0].cardNumber, QString());
        QVERIFY(!numbered[0].isRentalCard);
        QCOMPARE(log.lines(),
            (QStringList {QStringLiteral("RaceStore: no rent-a-card numbers available (100-200 all in use) "
                                         "\u2014 Ann\t Berg left with no card number"),
                QStringLiteral("RaceStore: no rent-a-card numbers available (100-200 all in use) "
                               "\u2014 Bo left with no card number")}));
    }

    void fullNameRule_data() { casetable::load("store/full-name-match.tsv"); }
    void fullNameRule()
    {
        QFETCH(QStringList, cells);
        const auto split = [](const QString &s) {
            const qsizetype i = s.indexOf(u' ');
            return entry(s.left(i), s.mid(i + 1), QString());
        };
        QCOMPARE(matchesByFullName(split(cells[0]), split(cells[1])), cells[2] == u"1");
    }

    // tests/data/store/entry-merge.tsv: where each entry of a list lands, rental numbers, the log.
    void mergeCases_data() { casetable::load("store/entry-merge.tsv"); }
    void mergeCases()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(cells.size(), 6);
        Race race;
        race.participants = entriesFromCell(cells[1]);
        const qsizetype listed = race.participants.size();
        if (!cells[2].isEmpty()) {
            const QStringList range = cells[2].split(u'-');
            for (int n = range[0].toInt(); n <= range[1].toInt(); ++n)
                race.participants.append(entry("Taken", QString::number(n), QString::number(n)));
        }
        const QList<Participant> stored = race.participants;
        const QList<Participant> imported = entriesFromCell(cells[3]);

        LogCapture log;
        if (cells[0] == u"list") {
            IOFEntryListParser::Result list;
            list.participants = imported;
            applyEntryList(race, list);
        } else {
            QCOMPARE(cells[0], QStringLiteral("entries"));
            applyImportedEntries(race, imported);
        }

        QStringList result;
        for (const Participant &p : std::as_const(race.participants)) {
            const auto was = std::find_if(
                stored.cbegin(), stored.cend(), [&p](const Participant &s) { return s.id == p.id; });
            if (was == stored.cend()) {
                result.append(QStringLiteral("new:") + entryCell(p));
                continue;
            }
            const qsizetype position = was - stored.cbegin();
            if (position >= listed && *was == p)
                continue;
            result.append(QStringLiteral("s%1:").arg(position) + entryCell(p));
        }
        QCOMPARE(result.join(QStringLiteral("; ")), cells[4]);

        QStringList names;
        const QString prefix
            = QStringLiteral("RaceStore: no rent-a-card numbers available (100-200 all in use) \u2014 ");
        const QString suffix = QStringLiteral(" left with no card number");
        for (const QString &line : log.lines()) {
            QVERIFY2(line.startsWith(prefix) && line.endsWith(suffix), qPrintable(line));
            names.append(line.mid(prefix.size(), line.size() - prefix.size() - suffix.size()));
        }
        QCOMPARE(names.join(QStringLiteral("; ")), cells[5]);
    }

    // tests/data/store/entry-changes.tsv: the counts of the import report.
    void entryChanges_data() { casetable::load("store/entry-changes.tsv"); }
    void entryChanges()
    {
        QFETCH(QStringList, cells);
        const auto entries = [](const QString &cell) {
            QList<Participant> out;
            if (cell == u"-")
                return out;
            for (const QString &spec : cell.split(u' ')) {
                Participant p = entry(spec.section(u'=', 1), QString(), QString());
                p.id = QUuid::createUuidV5(QUuid(), spec.section(u'=', 0, 0));
                out.append(p);
            }
            return out;
        };
        const EntryChanges changes = countEntryChanges(entries(cells[0]), entries(cells[1]));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(changes.added).arg(changes.updated).arg(changes.removed),
            cells[2]);
    }

    // tests/data/store/entry-merge-long.tsv: the same with lists of more than a few entries.
    void longMergeCases_data() { casetable::load("store/entry-merge-long.tsv"); }
    void longMergeCases() { mergeCases(); }

    void classMerge()
    {
        Race race;
        RaceClass stored;
        stored.id = QStringLiteral("H21-id");
        stored.name = QStringLiteral("H21");
        stored.courseId = QStringLiteral("c1");
        stored.startMethod = StartMethod::StartPunch;
        stored.startWindow = StartWindow {36000, 40000};
        stored.mode = RaceClassMode::SingleCourse;
        race.classes = {stored};

        RaceClass imported;
        imported.id = QStringLiteral("7");
        imported.name = QStringLiteral("h21");
        RaceClass fresh;
        fresh.id = QStringLiteral("8");
        fresh.name = QStringLiteral("D21");
        fresh.courseId = QStringLiteral("c2");
        const IdMap map = mergeImportedClasses(race, {imported, fresh}, QStringLiteral("S2"));
        QCOMPARE(map, (IdMap {{"7", "H21-id"}}));
        QCOMPARE(race.classes.size(), 2);
        QCOMPARE(race.classes[0].name, QStringLiteral("H21"));
        QCOMPARE(race.classes[0].courseId, std::optional<QString>("c1"));
        // Settings the list does not carry survive a re-import.
        QCOMPARE(race.classes[0].startMethod, stored.startMethod);
        QCOMPARE(race.classes[0].startWindow, stored.startWindow);
        QCOMPARE(race.classes[0].mode, stored.mode);
        QCOMPARE(race.classes[1].stageCourseIds, std::optional<StageMap<QString>>({{"S2", "c2"}}));

        RaceClass withCourse = imported;
        withCourse.courseId = QStringLiteral("c9");
        (void)mergeImportedClasses(race, {withCourse}, QStringLiteral("S2"));
        QCOMPARE(race.classes[0].courseId, std::optional<QString>("c1"));
        QCOMPARE(race.classes[0].stageCourseIds->value(QStringLiteral("S2")), QStringLiteral("c9"));

        Participant p = entry("A", "B", "1", QStringLiteral("7"));
        QCOMPARE(remapParticipantClassIds({p}, map)[0].classId, std::optional<QString>("H21-id"));
    }

    void importTwiceLeavesTheSameEvent()
    {
        Race race;
        applyDownloadedEntries(race, standardList, 200);
        QCOMPARE(race.participants.size(), 4);
        QCOMPARE(race.participants[1].cardNumber, QStringLiteral("100"));
        QCOMPARE(race.participants[2].cardNumber, QStringLiteral("101"));
        QCOMPARE(race.participants[1].isRentalCard, std::optional<bool>(true));

        // Race day: a result, a start time, a status, a check-in.
        PersonResult result;
        result.participantId = race.participants[1].id;
        result.cardNumber = race.participants[1].cardNumber;
        result.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
        race.results = {result};
        race.participants[0].startTime = QDateTime(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        race.participants[2].status = ParticipantStatus::Dns;
        race.participants[3].checkedInAt = QDateTime(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC);
        race.participants[3].externalId = QStringLiteral("ext-4");

        const QByteArray before = compactJson(race);
        applyDownloadedEntries(race, standardList, 200);
        QCOMPARE(compactJson(race), before);
        QCOMPARE(race.results[0].participantId, race.participants[1].id);
    }

    void reimportUpdatesOnlyCarriedFields()
    {
        Race race;
        applyDownloadedEntries(race, standardList, std::nullopt);
        const Participant bo = race.participants[1];
        race.participants[0].startTime = QDateTime(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        const QUuid annaId = race.participants[0].id;

        applyDownloadedEntries(race, entryFile("entrylist-standard-changed.xml"), 200);
        QCOMPARE(race.participants.size(), 4);
        const Participant &anna = race.participants[0];
        QCOMPARE(anna.id, annaId);
        QCOMPARE(anna.familyName, QStringLiteral("Berg-Lund"));
        QCOMPARE(anna.club, std::optional<QString>("OK Vest"));
        QCOMPARE(anna.classId, std::optional<QString>("2"));
        QVERIFY(anna.startTime);
        // Matched by name, brings his own card now: keeps his id; the rent-a-card number he
        // was given is no longer his.
        QCOMPARE(race.participants[1].id, bo.id);
        QVERIFY(bo.isRentalCard.value_or(false));
        QCOMPARE(race.participants[1].cardNumber, QStringLiteral("8100"));
        QVERIFY(!race.participants[1].isRentalCard);
    }

    // Two runners with the same name: the one found by card is never taken by the other.
    void cardMatchesBeatNameMatches()
    {
        Race race;
        race.participants = {entry("Ann", "Berg", "1"), entry("Ann", "Berg", "2")};
        const QUuid first = race.participants[0].id;
        const QUuid second = race.participants[1].id;
        applyImportedEntries(race, {entry("Ann", "Berg", "3"), entry("Ann", "Berg", "1")});
        QCOMPARE(race.participants.size(), 2);
        QCOMPARE(race.participants[0].id, first);
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("1"));
        QCOMPARE(race.participants[1].id, second);
        QCOMPARE(race.participants[1].cardNumber, QStringLiteral("3"));
    }

    void emptyCardNeverMatches()
    {
        Race race;
        race.participants = {entry("Stored", "Runner", "")};
        applyImportedEntries(race, {entry("New", "Runner", "")});
        QCOMPARE(race.participants.size(), 2);
        QCOMPARE(race.participants[0].givenName, QStringLiteral("Stored"));
        QCOMPARE(race.participants[1].cardNumber, QStringLiteral("100"));
    }

    void activeStageTouchesOnlyThatStage()
    {
        Race race;
        race.stages = {stage("S1"), stage("S2")};
        race.activeStageId = QStringLiteral("S1");
        applyDownloadedEntries(race, standardList, 200);
        QCOMPARE(race.participants[0].classIdByStage, std::optional<StageMap<QString>>({{"S1", "1"}}));
        // The base class too: the overall standings and the draws select by it.
        QCOMPARE(race.participants[0].classId, std::optional<QString>(QStringLiteral("1")));

        race.participants[0].startTimeByStage
            = StageMap<QDateTime> {{"S1", QDateTime(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC)}};
        race.participants[0].courseIdByStage = StageMap<QString> {{"S1", "c1"}};
        race.activeStageId = QStringLiteral("S2");
        Race before = race;
        applyDownloadedEntries(race, entryFile("entrylist-second-stage.xml"), 200);
        QCOMPARE(race.participants.size(), 5);
        const Participant &anna = race.participants[0];
        QCOMPARE(anna.id, before.participants[0].id);
        QCOMPARE(anna.cardNumber, QStringLiteral("777"));
        QCOMPARE(anna.classIdByStage, std::optional<StageMap<QString>>({{"S1", "1"}, {"S2", "2"}}));
        QCOMPARE(anna.startTimeByStage, before.participants[0].startTimeByStage);
        QCOMPARE(anna.courseIdByStage, before.participants[0].courseIdByStage);
        const Participant &eva = race.participants[4];
        QCOMPARE(eva.classId, std::optional<QString>(QStringLiteral("1")));
        QCOMPARE(eva.classIdByStage, std::optional<StageMap<QString>>({{"S2", "1"}}));
        for (int i = 1; i < 4; ++i)
            QCOMPARE(race.participants[i], before.participants[i]);
    }

    // A card number is its digits: a runner stored with a grouped number (as older versions kept
    // what was typed) is the runner of the list's plain number, and takes the plain form.
    void groupedCardNumbersMatchByDigits()
    {
        Race race;
        race.participants
            = {entry(QStringLiteral("Stored"), QStringLiteral("Runner"), QStringLiteral("2 000 009"))};
        IOFEntryListParser::Result list;
        list.participants = {entry(QStringLiteral("Ida"), QStringLiteral("Holm"), QStringLiteral("2000009")),
            entry(QStringLiteral("Bo"), QStringLiteral("Ek"), QStringLiteral(" 8\u00A0001\u2009234 "))};
        applyEntryList(race, list);
        QCOMPARE(race.participants.size(), 2);
        QCOMPARE(race.participants[0].givenName, QStringLiteral("Ida"));
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("2000009"));
        QCOMPARE(race.participants[1].cardNumber, QStringLiteral("8001234"));
    }

    void vacantPlacesAreNotImported()
    {
        const QByteArray list = iofFile(QStringLiteral("read/entrylist/vacant-places.xml"));
        Race race;
        applyDownloadedEntries(race, list, std::nullopt);
        applyDownloadedEntries(race, list, std::nullopt);
        QCOMPARE(race.participants.size(), 1);
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("8001"));
        const auto numbered = assignRentalCardNumbers(race, {entry(QString(), QString(), QString())});
        QCOMPARE(numbered[0].cardNumber, QString());
    }

    void officialExample()
    {
        const QByteArray bytes = iofFile(QStringLiteral("examples/EntryList1.xml"));
        Race race;
        applyDownloadedEntries(race, bytes, 200);
        QCOMPARE(race.participants.size(), 3);
        QCOMPARE(race.participants[1].familyName, QStringLiteral("Martin"));
        QCOMPARE(race.participants[1].cardNumber, QStringLiteral("100"));
        QCOMPARE(race.classes.size(), 2);
        const QByteArray once = compactJson(race);
        applyDownloadedEntries(race, bytes, 200);
        QCOMPARE(compactJson(race), once);
    }

    void latin1ListWithStoredClasses()
    {
        Race race;
        RaceClass h21;
        h21.id = QStringLiteral("own-h21");
        h21.name = QStringLiteral("h21");
        race.classes = {h21};
        race.participants = {entry("Kim", "Holm", "100")};
        applyDownloadedEntries(race, entryFile("entrylist-latin1.xml"), 200);
        QCOMPARE(race.participants.size(), 4);
        const Participant &soren = race.participants[1];
        QCOMPARE(soren.givenName, QStringLiteral("Søren"));
        QCOMPARE(soren.familyName, QStringLiteral("Ærø"));
        QCOMPARE(soren.club, std::optional<QString>("Ålborg OK"));
        QCOMPARE(soren.classId, std::optional<QString>("own-h21"));
        QCOMPARE(race.participants[2].cardNumber, QStringLiteral("101"));
        QCOMPARE(race.participants[2].isRentalCard, std::optional<bool>(true));
        QCOMPARE(race.participants[3].cardNumber, QStringLiteral("8001235"));
        QCOMPARE(race.participants[3].classId, std::optional<QString>("own-h21"));
        QCOMPARE(race.classes.size(), 2);
        QCOMPARE(race.classes[0].name, QStringLiteral("h21"));
        QCOMPARE(race.classes[1].name, QStringLiteral("D21"));
    }

    void largeEventReimport()
    {
        RaceGeneratorOptions options;
        options.entries = 800;
        options.withResults = false;
        Race race = generateRace(options);
        race.activeStageId.reset();
        race.stages.clear();
        QList<Participant> list;
        for (const Participant &p : race.participants) {
            Participant imported = entry(p.givenName, p.familyName, p.cardNumber, p.classId);
            imported.club = p.club;
            list.append(imported);
        }
        const QByteArray before = compactJson(race);
        applyImportedEntries(race, list);
        QCOMPARE(compactJson(race), before);
    }

    // Every line of tests/data/iof/refusals.txt: a wrong file offered to the course or entry import
    // of an event that already holds a good course file and entry list. The import must fail with
    // the line's message, save nothing, and leave the event exactly as it was.
    void refused_data()
    {
        QTest::addColumn<QString>("importer");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        for (const QStringList &cells : casetable::rows(QStringLiteral("iof/refusals.txt")))
            QTest::addRow("%s %s", qPrintable(cells[0]), qPrintable(cells[1]))
                << cells[0] << cells[1] << cells[2];
    }
    void refused()
    {
        QFETCH(QString, importer);
        QFETCH(QString, path);
        QFETCH(QString, message);
        Race race;
        importCourseData(
            race, iofFile(QStringLiteral("refused/good-courses.xml")), QStringLiteral("good-courses.xml"));
        applyDownloadedEntries(race, iofFile(QStringLiteral("refused/good-entries.xml")), std::nullopt);
        QCOMPARE(race.courses.size(), 1);
        QCOMPARE(race.participants.size(), 2);
        const QByteArray before = compactJson(race);
        const QByteArray bytes = iofFile(path);
        bool saved = false;
        QString shown;
        try {
            if (importer == u"courses")
                importCourseData(race, bytes, QStringLiteral("wrong.xml"), [&] { saved = true; });
            else
                applyDownloadedEntries(race, bytes, std::nullopt);
        } catch (const ImportError &e) {
            shown = e.message();
        }
        if (message.endsWith(QStringLiteral("...")))
            QVERIFY2(shown.startsWith(message.chopped(3)), qPrintable(shown));
        else
            QCOMPARE(shown, message);
        QVERIFY(!saved);
        QCOMPARE(compactJson(race), before);
    }

    // The entry download against a small HTTP server on 127.0.0.1 run by the test itself.
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
        QTRY_VERIFY(done);
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
        QTRY_VERIFY(secondDone);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestEntryImport)
#include "tst_entryimport.moc"
