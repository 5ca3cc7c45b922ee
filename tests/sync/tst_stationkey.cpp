// The station key as typed on a slave, and the pre-shared key TLS gets for it, against values
// computed outside this code (tests/data/sync/station-keys.txt).

#include "casetable.h"
#include "stationkey.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestStationKey : public QObject
{
    Q_OBJECT

private slots:
    void typedKeys_data() { casetable::load("sync/station-keys.txt"); }
    void typedKeys()
    {
        QFETCH(QStringList, cells);
        const QString expected = QString::fromUtf8(QTest::currentDataTag());
        const auto canonical = canonicalStationKey(cells[0]);
        if (expected == QLatin1String("invalid")) {
            QVERIFY2(!canonical, qPrintable(canonical.value_or(QString())));
            return;
        }
        QCOMPARE(canonical.value_or(QStringLiteral("(invalid)")), expected);
        QCOMPARE(stationPreSharedKey(*canonical).toHex(), cells[1].toLatin1());
    }

    void generatedKeysAreCanonicalAndDiffer()
    {
        const QRegularExpression form(
            QStringLiteral("^[0-9A-HJKMNP-TV-Z]{4}-[0-9A-HJKMNP-TV-Z]{4}-[0-9A-HJKMNP-TV-Z]{4}$"));
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            const QString key = generateStationKey();
            QVERIFY2(form.match(key).hasMatch(), qPrintable(key));
            QCOMPARE(canonicalStationKey(key), key);
            seen.insert(key);
        }
        QCOMPARE(seen.size(), 200);
    }
};

QTEST_GUILESS_MAIN(TestStationKey)
#include "tst_stationkey.moc"
