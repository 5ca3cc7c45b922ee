#include "casetable.h"
#include "log.h"
#include "siframeparser.h"

#include <QTest>

namespace {

QByteArray hex(const QByteArray &text)
{
    return QByteArray::fromHex(text);
}

struct Frame
{
    quint8 command;
    QByteArray payload;
};

} // namespace

class TestSIFrameParser : public QObject
{
    Q_OBJECT

private:
    QList<Frame> m_frames;
    SIFrameParser m_parser;

private slots:
    void init()
    {
        m_frames.clear();
        m_parser = SIFrameParser();
        m_parser.onFrame = [this](quint8 command, const QByteArray &payload) {
            m_frames.append({command, payload});
        };
    }

    void cases()
    {
        // frames.txt: CRC examples, command frames and station streams with what must come out.
        int cases = 0;
        for (const QStringList &cells : casetable::rows(QStringLiteral("reader/frames.txt"))) {
            ++cases;
            const QStringList f = cells[0].split(QLatin1Char(' '));
            const auto bytes = [](const QString &text) {
                return text == QLatin1String("-") ? QByteArray() : hex(text.toLatin1());
            };
            if (f[0] == QLatin1String("crc")) {
                QCOMPARE(siCrc16(bytes(f[1])), quint16(f[2].toUInt(nullptr, 16)));
            } else if (f[0] == QLatin1String("command")) {
                QCOMPARE(buildCommandFrame(quint8(f[1].toUInt(nullptr, 16)), bytes(f[2])), bytes(f[3]));
            } else {
                init();
                LogCapture log;
                for (const QString &read : f[1].split(QLatin1Char('|')))
                    m_parser.append(bytes(read));
                const qsizetype arrow = f.indexOf(QStringLiteral("=>"));
                const qsizetype left = f.indexOf(QStringLiteral("left"));
                QStringList delivered;
                for (const Frame &frame : std::as_const(m_frames))
                    delivered.append(
                        QStringLiteral("%1:").arg(frame.command, 2, 16, QLatin1Char('0')).toUpper()
                        + QString::fromLatin1(frame.payload.toHex().toUpper()));
                const QString expected = left == arrow + 1 ? QString() : f[arrow + 1];
                QCOMPARE(delivered.join(QLatin1Char(',')), expected);
                QCOMPARE(m_parser.buffer(), bytes(f[left + 1]));
                const QString logLine = f.mid(left + 3).join(QLatin1Char(' '));
                QCOMPARE(log.lines(), logLine.isEmpty() ? QStringList() : QStringList {logLine});
            }
        }
        QVERIFY(cases >= 20);
    }

    void commandFrameNeverClaimsMoreThan255Bytes()
    {
        const QByteArray frame = buildCommandFrame(0xEF, QByteArray(300, 'x'));
        QCOMPARE(quint8(frame.at(4)), quint8(255));
        QCOMPARE(frame.size(), 255 + 8);
    }

    void handlerMayFeedTheParserAgain()
    {
        int calls = 0;
        m_parser.onFrame = [&](quint8, const QByteArray &) {
            if (++calls == 1)
                m_parser.append(hex("02E700E70003"));
        };
        m_parser.append(hex("02E800E80003"
                            "02E800E80003"));
        QCOMPARE(calls, 3);
        QVERIFY(m_parser.buffer().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSIFrameParser)
#include "tst_siframeparser.moc"
