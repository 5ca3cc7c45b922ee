#include "documentfixtures.h"
#include "localization.h"
#include "pdftablerenderer.h"
#include "pdftestsupport.h"
#include "resultpdfs.h"
#include "testevent.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>

namespace {

Participant person(int n, const QString &given, const QString &family)
{
    Participant p;
    p.id = fixedId(n);
    p.givenName = given;
    p.familyName = family;
    return p;
}

} // namespace

class TestPdfRenderer : public QObject
{
    Q_OBJECT

    pdftest::Output m_out;

    QString path(const QString &name) const { return m_out.path(name); }

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
        const PdfExportResult result = renderResultsPDF(race,
            {{QStringLiteral("H21"), race.results.mid(0, 2)},
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
        a.completed = true;
        const QString file = path(QStringLiteral("results-da.pdf"));
        QVERIFY(renderResultsPDF(Race {}, {{QStringLiteral("D21"), {a}}}, std::nullopt, file).ok);
        LocalizationManager::setShared(&m_out.english());
        VERIFY_PDF_GOLDEN(file, "pdf/results-da");
    }

    void emptyGroupsGiveOnePage()
    {
        const QString file = path(QStringLiteral("nogroups.pdf"));
        QVERIFY(renderOverallStandingsPDF(Race {}, {}, file).ok);
        VERIFY_PDF_GOLDEN(file, "pdf/overall-empty");
    }

    void overallDocument()
    {
        const StandingsRow done {person(1, QStringLiteral(" Anna\t"), QStringLiteral("Berg ")), 3723, true};
        const StandingsRow partial {
            person(2, QStringLiteral("Bo"), QStringLiteral("Dahl")), std::nullopt, false};
        const QString file = path(QStringLiteral("overall.pdf"));
        QVERIFY(renderOverallStandingsPDF(Race {}, {{QStringLiteral("H21"), {done, partial}}}, file).ok);
        VERIFY_PDF_GOLDEN(file, "pdf/overall");
    }

    void splitTimesDocument()
    {
        // Anna complete over 13 controls at 100 s a leg; Bo at 31 in 90 s, then 32 missing.
        const Race race = testEvent(QStringLiteral("documents/split-times-event.json"));
        const PersonResult &full = race.results[0];
        const PersonResult &shorter = race.results[1];
        const QString file = path(QStringLiteral("splits.pdf"));
        const auto result = renderSplitTimesPDF(race,
            {{QStringLiteral("H21"), {full, shorter}}, {QStringLiteral("Empty"), {}}}, std::nullopt, file);
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
        r.raceTime = qInf();
        r.splits = {split(1, SplitStatus::Ok, qQNaN(), qInf())};
        const QString file = path(QStringLiteral("hostile.pdf"));
        QVERIFY(renderResultsPDF(race, {{QStringLiteral("\n\n"), {r}}}, QStringLiteral("\t"), file).ok);
        QCOMPARE(pdftest::info(file).pages, 1);
        const QString split = path(QStringLiteral("hostile-splits.pdf"));
        QVERIFY(renderSplitTimesPDF(race, {{QStringLiteral("x"), {r}}}, std::nullopt, split).ok);
        QCOMPARE(pdftest::info(split).pages, 1);
        QVERIFY(pdftest::text(split).contains(QStringLiteral("INCOMPLETE")));
    }
};

QTEST_MAIN(TestPdfRenderer)
#include "tst_pdfrenderer.moc"
