// The memo of a value per id text: every look-up gives the value worked out for that id's text,
// and each distinct text is worked out once, however the records hold their ids and in whatever
// order they come.

#include "casetable.h"
#include "idmemo.h"
#include "testenvironment.h"

#include <QObject>
#include <QTest>

#include <vector>

class TestIdMemo : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void lookups_data() { casetable::load("model/idmemo.tsv"); }
    void lookups()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(cells.size(), 4);
        const int distinct = cells[0].toInt();
        const QString &holding = cells[1];
        const bool turns = cells[2] == QLatin1String("turns");
        const int rounds = cells[3].toInt();

        // Ids of different lengths and contents, one of them empty when there are many.
        QString buffer;
        for (int k = 0; k < distinct; ++k)
            buffer += QChar(u'a' + k % 26);
        std::vector<QString> texts;
        for (int k = 0; k < distinct; ++k) {
            if (holding == QLatin1String("prefixes"))
                texts.push_back(QString::fromRawData(buffer.constData(), k + 1));
            else
                texts.push_back(k == distinct - 1 && distinct > 2
                        ? QString()
                        : QStringLiteral("class-%1").arg(k * 7919 % 100003));
        }
        // Every record's id, alive for the whole pass as the records' ids are.
        std::vector<QString> records;
        for (int i = 0; i < distinct * rounds; ++i) {
            const int k = turns ? i % distinct : i / rounds;
            records.push_back(holding == QLatin1String("separate")
                    ? QString(texts[std::size_t(k)].data(), texts[std::size_t(k)].size())
                    : texts[std::size_t(k)]);
        }

        IdMemo<QString> memo;
        QStringList computed;
        for (const QString &id : records) {
            const QString &value = memo.get(id, [&computed](const QString &text) {
                computed.append(text);
                return QStringLiteral("value of ") + text;
            });
            QCOMPARE(value, QStringLiteral("value of ") + id);
        }
        QCOMPARE(computed.size(), distinct);
        computed.removeDuplicates();
        QCOMPARE(computed.size(), distinct);
    }
};

QTEST_GUILESS_MAIN(TestIdMemo)
#include "tst_idmemo.moc"
