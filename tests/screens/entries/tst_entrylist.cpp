// The entry list screen's view-model from case tables: the shown list (filter, search, sort with
// its ties, collation locale), the order by collated keys, rows updated in place, the
// duplicate-card warnings and the "Tools" menu's rules.

#include "casetable.h"
#include "entriesscreen.h"
#include "localization.h"
#include "nameorder.h"
#include "storeharness.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <numeric>

namespace {

QString cell(const QString &text)
{
    return text == QLatin1String("\"\"") ? QString() : casetable::unescape(text);
}

std::optional<QString> optionalCell(const QString &text)
{
    return text == QLatin1String("-") ? std::nullopt : std::optional<QString>(cell(text));
}

// "s1=h21,s2=d10" -> the map; "-" none.
std::optional<StageMap<QString>> stageClasses(const QString &text)
{
    if (text == QLatin1String("-"))
        return std::nullopt;
    StageMap<QString> map;
    for (const QString &pair : text.split(QLatin1Char(',')))
        map.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    return map;
}

// The roster, with each entry's tag in its external id.
Race roster()
{
    QFile file(QStringLiteral(VEXLO_TEST_DATA_DIR "/entries/entrylist-roster.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing roster");
    Race race;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QStringList f = QString::fromUtf8(raw).split(QLatin1Char('\t'));
        if (f.at(0) == QLatin1String("class"))
            race.classes.append(RaceClass {.id = f[1],
                .name = f[2],
                .courseId = optionalCell(f[4]),
                .courseFamily = optionalCell(f[3])});
        else if (f.at(0) == QLatin1String("course"))
            race.courses.append(Course {.id = f[1], .name = f[2], .courseFamily = optionalCell(f[3])});
        else if (f.at(0) == QLatin1String("entry"))
            race.participants.append(Participant {.givenName = cell(f[2]),
                .familyName = cell(f[3]),
                .cardNumber = cell(f[4]),
                .club = optionalCell(f[5]),
                .classId = optionalCell(f[6]),
                .courseId = optionalCell(f[8]),
                .classIdByStage = stageClasses(f[7]),
                .externalId = f[1]});
    }
    return race;
}

QString tags(const QList<Participant> &entries)
{
    QStringList out;
    for (const Participant &p : entries)
        out.append(p.externalId.value_or(QString()));
    return out.isEmpty() ? QStringLiteral("-") : out.join(QLatin1Char(' '));
}

// The positions of `keys` in the order of the language's names.
std::vector<quint32> orderOf(const QStringList &keys)
{
    CollatedKeys collated;
    for (const QString &key : keys)
        collated.append(key);
    return collated.order(nameCollator());
}

} // namespace

class TestEntryList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Copenhagen");
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_harness.isValid());
        m_harness.backgroundAutosave = false;
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void shownList_data() { casetable::load("entries/entrylist-shown.tsv"); }
    void shownList()
    {
        QFETCH(QStringList, cells);
        // Names sort by the application's language, whatever the machine's locale.
        QLocale::setDefault(QLocale::c());
        LocalizationManager language(QStringList {cells[4]});
        language.setLanguageCode(cells[4]);
        LocalizationManager::setShared(&language);
        const auto restore = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        auto store = m_harness.makeStore(roster());
        EntriesScreen screen;
        QAbstractItemModelTester tester(screen.rows());
        screen.setStore(store.get());
        QVERIFY(screen.isLoading());
        screen.setFilterClassId(cell(cells[0]));
        screen.setSearchText(cell(cells[1]));
        const QStringList fields {"name", "card", "club", "class"};
        screen.setSortFieldIndex(int(fields.indexOf(cells[2])));
        screen.setSortAscending(cells[3] == QLatin1String("asc"));
        // Every change above is one rebuild, on the next turn of the event loop.
        QSignalSpy rebuilt(&screen, &EntriesScreen::rowsChanged);
        QTRY_VERIFY(!screen.isLoading());
        QCOMPARE(rebuilt.size(), 1);
        QCOMPARE(tags(screen.shownParticipants()), cells[5]);
        QCOMPARE(screen.rows()->rowCount(), screen.shownParticipants().size());
        QCOMPARE(screen.countText(),
            localized(QStringLiteral("%@ participant(s)"), screen.shownParticipants().size()));
    }

    // Every Latin-1 letter and sign, alone and among others, is found as searchFolded folds it.
    void searchFoldsAsSearchFolded()
    {
        Race race;
        QStringList texts;
        for (char16_t c = 1; c < 256; ++c)
            texts.append(QString(QChar(c)));
        texts << QStringLiteral("\u00c6r\u00f8 \u00c5se") << QStringLiteral("Stra\u00dfe")
              << QStringLiteral("\u00b5s \u00d7\u00f7 \u00ff")
              << QStringLiteral("\u00c0\u00c9\u00ce\u00d5\u00dc \u00d1 \u00c7")
              << QStringLiteral("na\u00efve caf\u00e9") << QStringLiteral("\u0130stanbul")
              << QStringLiteral("\u0141\u00f3d\u017a") << QStringLiteral("A\u0308ke");
        for (const QString &text : std::as_const(texts)) {
            race.participants.append(Participant {.givenName = text});
            race.participants.append(
                Participant {.familyName = QStringLiteral("x") + text + QStringLiteral("y")});
        }
        EntryListIndex index(race);
        QStringList needles;
        for (const QString &text : std::as_const(texts)) {
            const QString needle = searchFolded(text).trimmed();
            if (!needle.isEmpty() && !needles.contains(needle))
                needles.append(needle);
        }
        for (const QString &needle : std::as_const(needles)) {
            QList<qsizetype> expected;
            for (qsizetype i = 0; i < race.participants.size(); ++i) {
                const Participant &p = race.participants.at(i);
                if (searchFolded(p.givenName).contains(needle) || searchFolded(p.familyName).contains(needle))
                    expected.append(i);
            }
            QList<qsizetype> shown = index.shown(QString(), needle, ParticipantSortField::Name, true);
            std::sort(shown.begin(), shown.end());
            QVERIFY2(shown == expected, qPrintable(needle));
        }
    }

    void collatedOrder_data() { casetable::load("entries/collated-order.tsv"); }
    void collatedOrder()
    {
        QFETCH(QStringList, cells);
        LocalizationManager language(QStringList {cells[0]});
        language.setLanguageCode(cells[0]);
        LocalizationManager::setShared(&language);
        const auto restore = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        QStringList keys;
        if (cells[1] != QLatin1String("-")) {
            for (const QString &key : cells[1].split(QLatin1Char('|')))
                keys.append(casetable::unescape(key));
        }
        QStringList order;
        for (const quint32 at : orderOf(keys))
            order.append(QString::number(at));
        QCOMPARE(order.isEmpty() ? QStringLiteral("-") : order.join(QLatin1Char(' ')), cells[2]);
    }

    // Against a stable sort by the collator's own comparison, on lists of many repeated keys.
    void collatedOrderAsStableSort_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<quint32>("seed");
        for (const char *language : {"en", "da"}) {
            for (const quint32 seed : {1u, 2u, 3u})
                QTest::addRow("%s %u", language, seed) << QString::fromLatin1(language) << seed;
        }
    }
    void collatedOrderAsStableSort()
    {
        QFETCH(QString, language);
        QFETCH(quint32, seed);
        LocalizationManager manager(QStringList {language});
        manager.setLanguageCode(language);
        LocalizationManager::setShared(&manager);
        const auto restore = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        const QStringList pool {QStringLiteral("Anna Berg"), QStringLiteral("anna berg"),
            QStringLiteral("ANNA BERG"), QStringLiteral("Anna  Berg"), QStringLiteral("\u00c9mile Dupont"),
            QStringLiteral("Emile Dupont"), QStringLiteral("\u00c5berg"), QStringLiteral("Aaberg"),
            QStringLiteral("aaberg"), QStringLiteral("Zo\u00eb"), QStringLiteral("Zoe"),
            QStringLiteral("Runner 2"), QStringLiteral("Runner 10"), QStringLiteral("Runner 02"), QString(),
            QStringLiteral("0815"), QStringLiteral("815"), QStringLiteral("\u00d8K"),
            QStringLiteral("\u00c6r\u00f8"), QStringLiteral("ae")};
        QRandomGenerator random(seed);
        QStringList keys;
        for (int i = 0; i < 400; ++i)
            keys.append(casetable::unescape(pool.at(random.bounded(int(pool.size())))));
        std::vector<quint32> expected(std::size_t(keys.size()));
        std::iota(expected.begin(), expected.end(), quint32(0));
        std::stable_sort(expected.begin(), expected.end(),
            [&](quint32 a, quint32 b) { return compareNames(keys.at(a), keys.at(b)) < 0; });
        QVERIFY(orderOf(keys) == expected);
    }

    // Rows follow a renamed course in place: only the rows that were read and show the course
    // (as their course, or among the choices of their course-family class) are told to change.
    void rowsFollowCourseInPlace()
    {
        Race race = roster();
        auto store = m_harness.makeStore(race);
        EntriesScreen screen;
        QAbstractItemModelTester tester(screen.rows());
        screen.setStore(store.get());
        screen.rebuildNow();
        const QStringList shown = tags(screen.shownParticipants()).split(QLatin1Char(' '));
        const qsizetype b = shown.indexOf(QStringLiteral("b"));
        const qsizetype h = shown.indexOf(QStringLiteral("h"));
        QVERIFY(screen.rows()->rows().at(b).detail.contains(QStringLiteral("D10 - Long B")));
        QVERIFY(screen.rows()->rows().at(h).detail.contains(QStringLiteral("D10 - family Long")));
        QSignalSpy changed(screen.rows(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(screen.rows(), &QAbstractItemModel::modelReset);
        race.courses[1].name = QStringLiteral("Long Z");
        store->setRace(race);
        QCOMPARE(reset.size(), 0);
        QList<int> changedRows;
        for (const QList<QVariant> &signal : std::as_const(changed))
            changedRows.append(signal.at(0).toModelIndex().row());
        std::sort(changedRows.begin(), changedRows.end());
        QCOMPARE(changedRows, QList<int>({int(std::min(b, h)), int(std::max(b, h))}));
        QVERIFY(screen.rows()->rows().at(b).detail.contains(QStringLiteral("D10 - Long Z")));
        QVERIFY(screen.rows()->rows().at(h).detail.contains(QStringLiteral("D10 - family Long")));

        // A row nobody read was never on screen: nothing is told, and it reads the new text.
        EntriesScreen unread;
        unread.setStore(store.get());
        unread.rebuildNow();
        QSignalSpy unreadChanged(unread.rows(), &QAbstractItemModel::dataChanged);
        race.courses[1].name = QStringLiteral("Long Y");
        store->setRace(race);
        QCOMPARE(unreadChanged.size(), 0);
        QVERIFY(unread.rows()->rows().at(b).detail.contains(QStringLiteral("D10 - Long Y")));
    }

    void rowDetail_data() { casetable::load("entries/entrylist-rows.tsv"); }
    void rowDetail()
    {
        QFETCH(QStringList, cells);
        Race race = roster();
        for (Participant &p : race.participants) {
            if (p.externalId != cells[0])
                continue;
            if (cells[1] != QLatin1String("-"))
                p.startTime = QDateTime::fromString(cells[1], Qt::ISODate);
            if (cells[2] == QLatin1String("yes"))
                p.checkedInAt = StoreHarness::fixedNow();
            for (const QString &entry : cells[3].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (entry == QLatin1String("-"))
                    continue;
                if (!p.startTimeByStage)
                    p.startTimeByStage.emplace();
                p.startTimeByStage->insert(
                    entry.section('=', 0, 0), QDateTime::fromString(entry.section('=', 1), Qt::ISODate));
            }
            for (const QString &entry : cells[6].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (entry == QLatin1String("-"))
                    continue;
                const QString stage = entry.section(':', 1).section('=', 0, 0);
                const QString id = entry.section('=', 1);
                std::optional<StageMap<QString>> &map
                    = entry.startsWith(QLatin1String("class:")) ? p.classIdByStage : p.courseIdByStage;
                if (!map)
                    map.emplace();
                map->insert(stage, id);
            }
        }
        for (const QString &entry : cells[8].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (entry == QLatin1String("-"))
                continue;
            const QString mode = entry.section('=', 1);
            for (RaceClass &c : race.classes) {
                if (c.id != entry.section('=', 0, 0))
                    continue;
                c.mode = mode == QLatin1String("courseFamily") || mode.startsWith(QLatin1String("family:"))
                    ? RaceClassMode::CourseFamily
                    : RaceClassMode::SingleCourse;
                if (mode.startsWith(QLatin1String("family:")))
                    c.courseFamily = mode.section(':', 1);
            }
        }
        if (cells[4] != QLatin1String("-")) {
            const QDateTime day(QDate(2025, 5, 17), QTime(0, 0), Qt::UTC);
            race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1},
                Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2}};
            race.activeStageId = cells[4];
        }
        auto store = m_harness.makeStore(race);
        EntriesScreen screen;
        screen.setStore(store.get());
        screen.rebuildNow();
        const qsizetype at
            = std::find_if(screen.shownParticipants().cbegin(), screen.shownParticipants().cend(),
                  [&](const Participant &p) { return p.externalId == cells[0]; })
            - screen.shownParticipants().cbegin();
        const EntryRowsModel::Row row = screen.rows()->rows().at(at);
        QCOMPARE(row.detail, cells[5]);
        QStringList columns;
        for (const QVariant &column : row.stageColumns)
            columns.append(column.toMap().value(QStringLiteral("name")).toString() + QStringLiteral(": ")
                + column.toMap().value(QStringLiteral("summary")).toString());
        QCOMPARE(columns.isEmpty() ? QStringLiteral("-") : columns.join(QStringLiteral(" | ")), cells[7]);
    }

    void duplicateWarnings_data() { casetable::load("entries/entrylist-duplicates.tsv"); }
    void duplicateWarnings()
    {
        QFETCH(QStringList, cells);
        Race race;
        for (const QString &spec : cells[0].split(QLatin1Char(';'))) {
            const QStringList f = spec.split(QLatin1Char(':'));
            race.participants.append(Participant {.givenName = f[0].section(QLatin1Char(' '), 0, 0),
                .familyName = f[0].section(QLatin1Char(' '), 1),
                .cardNumber = f[1],
                .classId = optionalCell(f[2]),
                .classIdByStage = stageClasses(f[3])});
        }
        if (cells[1] != QLatin1String("-")) {
            for (const QString &spec : cells[1].split(QLatin1Char(','))) {
                const QStringList f = spec.split(QLatin1Char('='));
                race.stages.append(Stage {f[0], f[1], {}, f[2].toInt()});
            }
        }
        QStringList expected = cells[2].split(QLatin1Char('|'));
        expected.replaceInStrings(QRegularExpression(QStringLiteral("^-$")), QString());
        QCOMPARE(duplicateCardWarnings(race), expected);

        // The rows show them; in stored order under a name sort of distinct names.
        auto store = m_harness.makeStore(race);
        EntriesScreen screen;
        screen.setStore(store.get());
        screen.rebuildNow();
        for (const EntryRowsModel::Row &row : screen.rows()->rows()) {
            const qsizetype at = std::find_if(race.participants.cbegin(), race.participants.cend(),
                                     [&](const Participant &p) {
                                         return p.id.toString(QUuid::WithoutBraces) == row.entryId;
                                     })
                - race.participants.cbegin();
            QCOMPARE(row.duplicateWarning, expected.at(at));
        }
    }

    void toolsMenu_data() { casetable::load("entries/entrylist-tools.tsv"); }
    void toolsMenu()
    {
        QFETCH(QStringList, cells);
        Race race;
        for (int i = 0; i < cells[1].toInt(); ++i)
            race.participants.append(Participant {.givenName = QStringLiteral("R%1").arg(i)});
        auto store = m_harness.makeStore(race);
        EntriesScreen screen;
        screen.setStore(store.get());
        QCOMPARE(screen.importURLString(), EntriesScreen::defaultImportURL);
        screen.setImportURLString(cell(cells[0]));
        QCOMPARE(screen.canImportFromURL(), cells[2] == QLatin1String("yes"));
        QCOMPARE(screen.canDeleteAll(), cells[3] == QLatin1String("yes"));
        if (cells[4] == QLatin1String("-"))
            return;
        screen.importFromURL();
        QCOMPARE(screen.isImportingFromURL(), cells[4] == QLatin1String("runs"));
        if (screen.isImportingFromURL()) {
            QVERIFY(!screen.canImportFromURL());
            QTRY_VERIFY(!screen.isImportingFromURL());
            QVERIFY(screen.canImportFromURL());
        }
        QVERIFY2(screen.importError().startsWith(cells[5]), qPrintable(screen.importError()));
        QCOMPARE(store->race().participants, race.participants);
        QVERIFY(m_harness.steps.isEmpty());
    }

private:
    StoreHarness m_harness;
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
