// The entry list screen's view-model from case tables: the shown list (filter, search, sort with
// its ties, collation locale), the duplicate-card warnings and the "Tools" menu's rules.

#include "casetable.h"
#include "entriesscreen.h"
#include "localization.h"
#include "storeharness.h"

#include <QAbstractItemModelTester>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

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
        }
        auto store = m_harness.makeStore(race);
        EntriesScreen screen;
        screen.setStore(store.get());
        screen.rebuildNow();
        const qsizetype at
            = std::find_if(screen.shownParticipants().cbegin(), screen.shownParticipants().cend(),
                  [&](const Participant &p) { return p.externalId == cells[0]; })
            - screen.shownParticipants().cbegin();
        QCOMPARE(screen.rows()->rows().at(at).detail, cells[3]);
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
            QTRY_VERIFY_WITH_TIMEOUT(!screen.isImportingFromURL(), 20000);
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
