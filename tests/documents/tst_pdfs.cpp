// The PDF table renderer and the result, split-time and start-list documents it draws, read back
// with poppler-utils against golden texts.
#include "casetable.h"
#include "documentfixtures.h"
#include "localization.h"
#include "pdftablerenderer.h"
#include "pdftestsupport.h"
#include "pdfwriter.h"
#include "resultpdfs.h"
#include "startlistpdfs.h"
#include "testenvironment.h"
#include "testevent.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRawFont>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

namespace {

Participant person(int n, const QString &given, const QString &family)
{
    Participant p;
    p.id = fixedId(n);
    p.givenName = given;
    p.familyName = family;
    return p;
}

QDateTime local(int h, int m)
{
    return QDateTime(QDate(2025, 6, 14), QTime(h, m), Qt::LocalTime);
}

Participant runner(const QString &given, const QString &family, std::optional<QString> classId,
    std::optional<QDateTime> start, const QString &club = QString())
{
    Participant p;
    p.givenName = given;
    p.familyName = family;
    p.classId = std::move(classId);
    p.startTime = std::move(start);
    p.cardNumber = QStringLiteral("7") + given.left(3);
    if (!club.isEmpty())
        p.club = club;
    return p;
}

Course course(const QString &id, int controls, std::optional<double> length)
{
    Course c;
    c.id = id;
    c.controls.resize(controls);
    c.lengthMeters = length;
    return c;
}

} // namespace

class TestPdfs : public QObject
{
    Q_OBJECT

    pdftest::Output m_out;

    QString path(const QString &name) const { return m_out.path(name); }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_out.setUp());
        QCOMPARE(PDFTableRenderer::documentFontFamily(), QStringLiteral("Liberation Sans"));
    }

    void titleAndSubtitleOnly()
    {
        const QString file = path(QStringLiteral("empty.pdf"));
        QString error;
        auto r = PDFTableRenderer::create(file, 595, 842, 36, &error);
        QVERIFY2(r, qPrintable(error));
        QCOMPARE(r->cursorY(), 36.0);
        r->drawTitle(QStringLiteral("Event title"));
        r->drawSubtitle(QStringLiteral("Subtitle"));
        QVERIFY(r->finish(&error));
        VERIFY_PDF_GOLDEN(file, "pdf/title-only");
    }

    void fiftyRowsFitTheFirstPortraitPage()
    {
        const QString file = path(QStringLiteral("rows.pdf"));
        auto r = PDFTableRenderer::create(file, 595, 842, 36);
        QVERIFY(r);
        r->drawTitle(QStringLiteral("T"));
        r->drawSubtitle(QStringLiteral("S"));
        const QList<PDFColumn> columns {{QStringLiteral("#"), 30}, {QStringLiteral("Name"), 200}};
        r->drawHeaderRow(columns);
        QCOMPARE(r->cursorY(), 90.0);
        for (int i = 1; i <= 60; ++i)
            r->drawCellRow({QString::number(i), QStringLiteral("Row%1").arg(i)}, columns, false);
        QCOMPARE(r->pageCount(), 2);
        QVERIFY(r->finish());
        VERIFY_PDF_GOLDEN(file, "pdf/fifty-rows");
    }

    void cellTextsAreSetAsLinesAre_data() { casetable::load("documents/cell-texts.tsv"); }
    void cellTextsAreSetAsLinesAre()
    {
        QFETCH(QStringList, cells);
        const QString text = cells.value(0);
        const QString asCell = path(QStringLiteral("cell.pdf"));
        const QString asLine = path(QStringLiteral("line.pdf"));
        {
            auto r = PDFTableRenderer::create(asCell, 595, 842, 36);
            QVERIFY(r);
            r->drawCellRow({text}, {{QString(), 400}}, false);
            QVERIFY(r->finish());
        }
        {
            auto r = PDFTableRenderer::create(asLine, 595, 842, 36);
            QVERIFY(r);
            r->drawRow(text);
            QVERIFY(r->finish());
        }
        QFile cell(asCell);
        QFile line(asLine);
        QVERIFY(cell.open(QIODevice::ReadOnly) && line.open(QIODevice::ReadOnly));
        QCOMPARE(cell.readAll(), line.readAll());
        QCOMPARE(pdftest::lines(pdftest::text(asCell, 1)), QStringList {text.simplified()});
    }

    void ensureSpaceBoundary()
    {
        auto r = PDFTableRenderer::create(path(QStringLiteral("space.pdf")), 595, 842, 36);
        QVERIFY(r);
        r->ensureSpace(842 - 72);
        QCOMPARE(r->pageCount(), 1);
        r->ensureSpace(842 - 72 + 1);
        QCOMPARE(r->pageCount(), 2);
        QCOMPARE(r->cursorY(), 36.0);
        r->drawSection(QStringLiteral("Section"), QString());
        QCOMPARE(r->cursorY(), 36.0 + 28);
        r->drawRow(QStringLiteral("row"));
        QCOMPARE(r->cursorY(), 36.0 + 28 + 13);
        QVERIFY(r->finish());
        QVERIFY(!r->finish());
    }

    void unwritableTargetIsReported()
    {
        const QString missing = path(QStringLiteral("no/such/folder/out.pdf"));
        QString error;
        QVERIFY(!PDFTableRenderer::create(missing, 595, 842, 36, &error));
        QVERIFY(!error.isEmpty());
        const PdfExportResult result = renderResultsPDF(Race {}, {}, std::nullopt, missing);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!renderStartListPDF(Race {}, {}, {}, missing).ok);
        QVERIFY(!renderStartListByClassPDF(Race {}, {}, {}, {}, {}, missing).ok);
        const auto grid = renderStartListGridPDF(Race {}, {}, {}, missing);
        QVERIFY(!grid.ok);
        QVERIFY(!grid.error.isEmpty());
    }

    void abandonedDocumentLeavesNoFile()
    {
        const QString file = path(QStringLiteral("abandoned.pdf"));
        {
            auto r = PDFTableRenderer::create(file, 595, 842, 36);
            QVERIFY(r);
            r->drawTitle(QStringLiteral("never finished"));
        }
        QVERIFY(!QFile::exists(file));
    }

    void resultsDocument()
    {
        // Anna's complete run, the result of a runner no longer entered marked complete by the
        // organiser, and Bo on the score course over time, with and without a score.
        const Race race = testEvent(QStringLiteral("documents/results-event.json"));
        const QString file = path(QStringLiteral("results.pdf"));
        // Jens marked as not started and Karl as not finished, without a result of the day: after
        // the results, no place and no time.
        Participant jens;
        jens.givenName = QStringLiteral("Jens");
        jens.familyName = QStringLiteral("Holm");
        jens.cardNumber = QStringLiteral("8000999");
        Participant karl;
        karl.givenName = QStringLiteral("Karl");
        karl.familyName = QStringLiteral("Berg");
        const PdfExportResult result = renderResultsPDF(race,
            {{QStringLiteral("H21"), race.results.mid(0, 2), {},
                 {{jens, ParticipantStatus::Dns}, {karl, ParticipantStatus::Dnf}}},
                {QStringLiteral("Score class"), race.results.mid(2)}},
            QStringLiteral("Day 1"), file);
        QVERIFY2(result.ok, qPrintable(result.error));
        // An override counts; a missing runner is "Unknown".
        VERIFY_PDF_GOLDEN(file, "pdf/results");
    }

    void resultsInDanish()
    {
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        LocalizationManager::setShared(&danish);
        PersonResult a;
        a.courseId = QStringLiteral("C1");
        a.completed = true;
        a.raceTime = 754.6;
        a.finishTime = QDateTime(QDate(2025, 6, 14), QTime(10, 12, 35), Qt::UTC);
        PersonResult b = a;
        b.raceTime.reset();
        const QString file = path(QStringLiteral("results-da.pdf"));
        // The second run has a finish but no start time: not a DNF.
        QVERIFY(renderResultsPDF(
            Race {}, {{QStringLiteral("D21"), {a, b}, {1, std::nullopt}}}, std::nullopt, file)
                    .ok);
        LocalizationManager::setShared(&m_out.english());
        VERIFY_PDF_GOLDEN(file, "pdf/results-da");
    }

    // A title or subtitle wider than the page goes on over further lines, whole; the landscape
    // split times fit the same name on one line.
    void longTitlesWrap()
    {
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        LocalizationManager::setShared(&danish);
        const auto restore = qScopeGuard([this] { LocalizationManager::setShared(&m_out.english()); });
        Race race = testEvent(QStringLiteral("documents/results-event.json"));
        race.name = QStringLiteral(
            "\u00d8stjysk Orienteringsklubs traditionsrige internationale weekendl\u00f8b i Rold Skov");
        QCOMPARE(race.name.size(), 78);
        const QString stage = QStringLiteral("Dag 2: mellemdistance i Rold Skov Nord med start ved Rebild "
                                             "Porten og m\u00e5l ved Sk\u00f8rping Station");
        const QString results = path(QStringLiteral("results-long.pdf"));
        QVERIFY(renderResultsPDF(race, {{QStringLiteral("H21"), race.results.mid(0, 2)}}, stage, results).ok);
        VERIFY_PDF_GOLDEN(results, "pdf/results-long-title");
        const StandingsRow done {person(1, QStringLiteral("Anna"), QStringLiteral("Berg")), 3723, true,
            std::nullopt, OverallStatus::Placed};
        const QString overall = path(QStringLiteral("overall-long.pdf"));
        QVERIFY(renderOverallStandingsPDF(race, {{QStringLiteral("H21"), {done}}}, overall).ok);
        VERIFY_PDF_GOLDEN(overall, "pdf/overall-long-title");
        const QString splits = path(QStringLiteral("splits-long.pdf"));
        QVERIFY(renderSplitTimesPDF(race, {{QStringLiteral("H21"), {}}}, stage, splits).ok);
        VERIFY_PDF_GOLDEN(splits, "pdf/split-times-long-title");
    }

    void emptyGroupsGiveOnePage()
    {
        const QString file = path(QStringLiteral("nogroups.pdf"));
        QVERIFY(renderOverallStandingsPDF(Race {}, {}, file).ok);
        VERIFY_PDF_GOLDEN(file, "pdf/overall-empty");
    }

    void overallDocument()
    {
        const StandingsRow done {person(1, QStringLiteral(" Anna\t"), QStringLiteral("Berg ")), 3723, true,
            std::nullopt, OverallStatus::Placed};
        // Without a place: the word of the day that keeps the runner out.
        const StandingsRow partial {person(2, QStringLiteral("Bo"), QStringLiteral("Dahl")), std::nullopt,
            false, std::nullopt, OverallStatus::DidNotStart};
        // A class ranked by points shows them in a column of their own, "—" for a runner without.
        const StandingsRow scored {
            person(3, QStringLiteral("Cy"), QStringLiteral("Eng")), 6800, true, 240, OverallStatus::Placed};
        const QString file = path(QStringLiteral("overall.pdf"));
        QVERIFY(renderOverallStandingsPDF(Race {},
            {{QStringLiteral("H21"), {done, partial}},
                {QStringLiteral("W21"), {scored, partial}, {1, std::nullopt}, true}},
            file)
                    .ok);
        VERIFY_PDF_GOLDEN(file, "pdf/overall");
    }

    void splitTimesDocument()
    {
        // Anna complete over 13 controls at 100 s a leg; Bo at 31 in 90 s, then 32 missing; Cy's
        // card punched before his start, held for review: a leg below zero shows no time and
        // takes no rank.
        const Race race = testEvent(QStringLiteral("documents/split-times-event.json"));
        const PersonResult &full = race.results[0];
        const PersonResult &shorter = race.results[1];
        const PersonResult &early = race.results[2];
        // D21: Eli punched a wrong control between 31 and 33 and punched 33 twice: his times stand
        // under the course's controls, "+2" on his line, his leg to 35 from his first 33, and the
        // legs rank against Fia's same legs.
        const PersonResult &extras = race.results[3];
        const PersonResult &clean = race.results[4];
        const QString file = path(QStringLiteral("splits.pdf"));
        const auto result = renderSplitTimesPDF(race,
            {{QStringLiteral("H21"), {full, shorter, early}}, {QStringLiteral("D21"), {clean, extras}},
                {QStringLiteral("Empty"), {}}},
            std::nullopt, file);
        QVERIFY2(result.ok, qPrintable(result.error));
        // Landscape; the fastest leg at control 31 is the shorter runner's 1:30: rank 1.
        VERIFY_PDF_GOLDEN(file, "pdf/split-times");
    }

    void hostileTextStillGivesReadablePdf()
    {
        Race race;
        race.name = QStringLiteral("<b>Bad</b> \x01\x02 name ") + QString(300, QLatin1Char('W'));
        Participant p = person(
            1, QStringLiteral("مرحبا 🏃‍♀️"), QStringLiteral("\x1b[2J") + QChar(0xD800));
        race.participants = {p};
        PersonResult r;
        r.participantId = p.id;
        r.cardNumber = QString(200, QChar(0x00C5));
        r.courseId = QStringLiteral("C1");
        r.raceTime = qInf();
        r.splits = {split(1, SplitStatus::Ok, qQNaN(), qInf())};
        const QString file = path(QStringLiteral("hostile.pdf"));
        QVERIFY(renderResultsPDF(race, {{QStringLiteral("\n\n"), {r}}}, QStringLiteral("\t"), file).ok);
        QCOMPARE(pdftest::info(file).pages, 1);
        const QString split = path(QStringLiteral("hostile-splits.pdf"));
        QVERIFY(renderSplitTimesPDF(race, {{QStringLiteral("x"), {r}}}, std::nullopt, split).ok);
        QCOMPARE(pdftest::info(split).pages, 1);
        QVERIFY(pdftest::text(split).contains(QStringLiteral("MISPUNCH")));
    }

    void fontWithoutTrueTypeOutlinesReadsBack()
    {
        // A CFF font goes in as glyph outlines, 256 glyphs to a font: over 300 Latin, Greek and
        // Cyrillic letters, 30 to a line, and ligatures come back out of the file as the same text.
        const QRawFont font(
            QStringLiteral("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf"), 12);
        QVERIFY(!font.fontTable("CFF ").isEmpty());
        QString letters;
        for (char16_t c = 0xC0; c < 0x500 && letters.size() < 900; ++c) {
            if (font.glyphIndexesForString(QString(QChar(c))).value(0) != 0)
                letters += QChar(c);
        }
        QVERIFY(letters.size() > 300);
        const QString file = path(QStringLiteral("outlines.pdf"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        PDFWriter pdf(&out, 595, 842);
        QStringList lines;
        const auto draw = [&](const QString &text, QList<quint32> glyphs) {
            lines.append(text);
            QList<QPointF> positions;
            QPointF at;
            for (const QPointF &advance : font.advancesForGlyphIndexes(glyphs)) {
                positions.append(at);
                at += advance;
            }
            pdf.noteText(font, glyphs, text);
            pdf.drawGlyphs(font, glyphs.constData(), positions.constData(), glyphs.size(),
                QPointF(36, 20 * lines.size()), Qt::black);
        };
        // "office fi" set with the font's "ffi" and "fi" ligatures, as its layout does.
        const QList<quint32> ligatures = font.glyphIndexesForString(QStringLiteral("o\uFB03ce \uFB01"));
        QVERIFY(!ligatures.contains(0));
        draw(QStringLiteral("office fi"), ligatures);
        for (qsizetype from = 0; from < letters.size(); from += 30)
            draw(letters.mid(from, 30), font.glyphIndexesForString(letters.mid(from, 30)));
        QString error;
        QVERIFY2(pdf.finish(&error), qPrintable(error));
        out.close();
        QCOMPARE(pdftest::text(file).split(u'\n', Qt::SkipEmptyParts).mid(0, lines.size()), lines);
        const QString fonts = pdftest::run(QStringLiteral("pdffonts"), {file});
        QCOMPARE(fonts.count(QStringLiteral("Type 3")), 2);
    }

    void refusedWriteIsReported()
    {
        QBuffer readOnly;
        QVERIFY(readOnly.open(QIODevice::ReadOnly));
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
        PDFWriter pdf(&readOnly, 595, 842);
        pdf.drawLine(QPointF(0, 0), QPointF(10, 10), 1, Qt::black);
        QString error;
        QVERIFY(!pdf.finish(&error));
        QVERIFY(!error.isEmpty());
    }

    void texts()
    {
        QCOMPARE(courseSummaryText(nullptr, {}, {}), QStringLiteral("0 contestant(s)"));
        const QList<Course> courses {course(QStringLiteral("a"), 12, 999.5),
            course(QStringLiteral("b"), 0, 1000), course(QStringLiteral("c"), 0, std::nullopt)};
        const RaceClass a = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("a"));
        QCOMPARE(courseSummaryText(&a, {Participant {}}, courses),
            QStringLiteral("12 controls · 1000 m · 1 contestant(s)"));
        const RaceClass b = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("b"));
        QCOMPARE(courseSummaryText(&b, {}, courses), QStringLiteral("1.0 km · 0 contestant(s)"));
        const RaceClass c = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("c"));
        QCOMPARE(courseSummaryText(&c, {}, courses), QStringLiteral("0 contestant(s)"));

        Race race;
        RaceClass w = raceClass(QStringLiteral("w"), QStringLiteral("W"));
        QCOMPARE(startWindowText(w, race), QString());
        race.defaultStartWindow = StartWindow {34200, 37800};
        QCOMPARE(startWindowText(w, race), QStringLiteral(", 09:30 - 10:30"));
        race.activeStageId = QStringLiteral("s2");
        race.stageDefaultStartWindows
            = StageMap<StartWindow> {{QStringLiteral("s2"), StartWindow {3600, 90000}}};
        QCOMPARE(startWindowText(w, race), QStringLiteral(", 01:00 - 25:00"));

        QCOMPARE(stageDateTitle(race), QString());
        Stage s1 {
            QStringLiteral("s1"), QStringLiteral("Day 1"), QDateTime(QDate(2025, 6, 13), QTime(12, 0)), 0};
        Stage s2 {
            QStringLiteral("s2"), QStringLiteral("Day 2"), QDateTime(QDate(2025, 6, 14), QTime(12, 0)), 1};
        race.stages = {s1};
        QCOMPARE(stageDateTitle(race), QString());
        race.stages = {s1, s2};
        QCOMPARE(stageDateTitle(race), QStringLiteral(" — Day 2 (14 Jun 2025)"));

        // In Danish: the date with its month named as Danish writes it, the decimal comma.
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        LocalizationManager::setShared(&danish);
        const QString danishDate = stageDateTitle(race);
        const QString danishLength = courseSummaryText(&b, {}, courses);
        // No thousands separator, whose dot a Danish reader would take for the decimal sign.
        const QList<Course> long_ {course(QStringLiteral("l"), 0, 1234567)};
        const RaceClass l = raceClass(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("l"));
        const QString danishLong = courseSummaryText(&l, {}, long_);
        race.stages[1].date = QDateTime(QDate(2027, 5, 16), QTime(12, 0));
        const QString may = stageDateTitle(race);
        LocalizationManager::setShared(&m_out.english());
        QCOMPARE(danishDate, QStringLiteral(" — Day 2 (14. juni 2025)"));
        QCOMPARE(danishLength, QStringLiteral("1,0 km · 0 deltager(e)"));
        QCOMPARE(danishLong, QStringLiteral("1234,6 km · 0 deltager(e)"));
        QCOMPARE(courseSummaryText(&l, {}, long_), QStringLiteral("1234.6 km · 0 contestant(s)"));
        QCOMPARE(may, QStringLiteral(" — Day 2 (16. maj 2027)"));
    }

    // Each event under documents/startlists/ printed as the three start lists in each language,
    // each read back against its golden text <event>-chrono.txt, <event>-by-class.txt and
    // <event>-grid.txt (in Danish <event>-chrono-da.txt and so on: its dates and numbers as Danish
    // writes them). The entries of a start-punch class form the by-class list's start-punch block
    // (the caller's choice, not the renderer's). A new case is a new event file.
    void startLists_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("suffix");
        const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/documents/startlists"));
        const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.json")});
        QVERIFY(!files.isEmpty());
        for (const QFileInfo &file : files) {
            QTest::newRow(qPrintable(file.baseName() + QStringLiteral("-en")))
                << file.filePath() << QString();
            QTest::newRow(qPrintable(file.baseName() + QStringLiteral("-da")))
                << file.filePath() << QStringLiteral("-da");
        }
    }
    void startLists()
    {
        QFETCH(QString, event);
        QFETCH(QString, suffix);
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        if (!suffix.isEmpty())
            LocalizationManager::setShared(&danish);
        const auto english = qScopeGuard([&] { LocalizationManager::setShared(&m_out.english()); });
        QString error;
        const std::optional<Race> race = documenttest::readEvent(event, &error);
        QVERIFY2(race, qPrintable(error));
        QList<Participant> timed, punchers;
        for (const Participant &p : race->participants) {
            const auto cls = std::find_if(race->classes.begin(), race->classes.end(),
                [&](const RaceClass &c) { return p.classId == c.id; });
            const bool punch = cls != race->classes.end() && cls->startMethod == StartMethod::StartPunch;
            (punch ? punchers : timed).append(p);
        }
        const QString name = QFileInfo(event).baseName();
        const QString chrono = path(name + QStringLiteral("-chrono") + suffix + QStringLiteral(".pdf"));
        QVERIFY(renderStartListPDF(*race, timed, race->classes, chrono).ok);
        VERIFY_PDF_GOLDEN(chrono, QStringLiteral("startlists/") + name + QStringLiteral("-chrono") + suffix);
        const QString byClass = path(name + QStringLiteral("-by-class") + suffix + QStringLiteral(".pdf"));
        QVERIFY(renderStartListByClassPDF(*race, timed, race->classes, race->courses, punchers, byClass).ok);
        VERIFY_PDF_GOLDEN(
            byClass, QStringLiteral("startlists/") + name + QStringLiteral("-by-class") + suffix);
        const QString grid = path(name + QStringLiteral("-grid") + suffix + QStringLiteral(".pdf"));
        QVERIFY(renderStartListGridPDF(*race, timed, race->classes, grid).ok);
        VERIFY_PDF_GOLDEN(grid, QStringLiteral("startlists/") + name + QStringLiteral("-grid") + suffix);
    }

    void danishCaptions()
    {
        LocalizationManager danish(QStringList {QStringLiteral("da")});
        LocalizationManager::setShared(&danish);
        const QString file = path(QStringLiteral("chrono-da.pdf"));
        const bool ok = renderStartListPDF(
            Race {}, {runner(QStringLiteral("Anna"), QStringLiteral("Berg"), {}, {})}, {}, file)
                            .ok;
        LocalizationManager::setShared(&m_out.english());
        QVERIFY(ok);
        VERIFY_PDF_GOLDEN(file, "pdf/startlist-da");
    }

    void hostileInputGivesReadableFiles()
    {
        Race race;
        race.name = QStringLiteral("<script>\x01\x02</script> ") + QChar(0xD800);
        race.activeStageId = QStringLiteral("s");
        race.stages = {Stage {QStringLiteral("s"), QStringLiteral("\n\t"), QDateTime(), 0},
            Stage {QStringLiteral("t"), QStringLiteral("T"), QDateTime(), 1}};
        RaceClass cls = raceClass(QStringLiteral("c"), QStringLiteral("עברית 🏃 \x07"), QStringLiteral("k"));
        cls.stageStartMethods = StageMap<StartMethod> {{QStringLiteral("s"), StartMethod::StartPunch}};
        race.classes = {cls};
        Course k = course(QStringLiteral("k"), 3, qInf());
        QList<Participant> people;
        for (int i = 0; i < 120; ++i)
            people.append(runner(QStringLiteral("مرحبا%1").arg(i), QStringLiteral("\x1b[0m"),
                QStringLiteral("c"), local(9, i % 60), QString(200, QChar(0x0416))));
        const QString chrono = path(QStringLiteral("hostile-chrono.pdf"));
        const QString byClass = path(QStringLiteral("hostile-byclass.pdf"));
        const QString grid = path(QStringLiteral("hostile-grid.pdf"));
        QVERIFY(renderStartListPDF(race, people, race.classes, chrono).ok);
        QVERIFY(renderStartListByClassPDF(race, people, race.classes, {k}, people, byClass).ok);
        QVERIFY(renderStartListGridPDF(race, people, race.classes, grid).ok);
        QCOMPARE(pdftest::info(chrono).pages, 3);
        QVERIFY(pdftest::info(byClass).pages >= 4);
        QCOMPARE(pdftest::info(grid).pages, 2);
        QVERIFY(pdftest::text(byClass).contains(QStringLiteral("3 controls · 120 contestant(s)")));
    }
};

QTEST_MAIN(TestPdfs)
#include "tst_pdfs.moc"
