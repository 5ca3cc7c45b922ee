// Hostile and broken documents: each fails fast with a message, and nothing is fetched.
#include "casetable.h"
#include "iofcoursedataparser.h"
#include "iofentrylistparser.h"
#include "iofstartlistparser.h"

#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

enum class Reader { CourseData, EntryList, StartList };

// Runs one reader; returns the error message, or an empty text when it succeeded.
QString failureOf(Reader reader, const QByteArray &bytes)
{
    try {
        switch (reader) {
        case Reader::CourseData:
            (void)IOFCourseDataParser::parse(bytes);
            break;
        case Reader::EntryList:
            (void)IOFEntryListParser::parse(bytes);
            break;
        case Reader::StartList:
            (void)IOFStartListParser::parse(bytes);
            break;
        }
    } catch (const ImportError &e) {
        return e.message();
    } catch (const IOFStartListParser::ParseError &e) {
        return e.message();
    }
    return {};
}

QByteArray billionLaughs()
{
    QByteArray doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE EntryList [\n <!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        doc += " <!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int k = 0; k < 10; ++k)
            doc += "&lol" + (i == 1 ? QByteArray() : QByteArray::number(i - 1)) + ";";
        doc += "\">\n";
    }
    doc += "]>\n<EntryList><PersonEntry><Person><Name><Given>&lol9;</Given></Name></Person></PersonEntry>"
           "<Course><Name>&lol9;</Name></Course><PersonStart><StartTime>&lol9;</StartTime></PersonStart>"
           "</EntryList>";
    return doc;
}

} // namespace

class TestIofXmlHostile : public QObject
{
    Q_OBJECT

private slots:
    void rejected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("messageStart");
        const QString notXml = QStringLiteral("The file is not well-formed XML: ");
        const QString doctype = QStringLiteral("The file declares a document type (<!DOCTYPE>)");

        for (const QStringList &cells : casetable::rows(QStringLiteral("iof/hostile-documents.tsv")))
            QTest::newRow(qPrintable(cells[0])) << cells[1].toUtf8() << cells[2];
        QTest::newRow("billion laughs") << billionLaughs() << doctype;
        QByteArray deep;
        for (int i = 0; i < 5000; ++i)
            deep += "<a>";
        QTest::newRow("deep nesting") << deep << notXml;
        QByteArray hugeText = "<CourseData><Course><Name>";
        hugeText += QByteArray(11 * 1000 * 1000, 'x');
        hugeText += "</Name></Course></CourseData>";
        QTest::newRow("huge text node")
            << hugeText << QStringLiteral("The file holds a text of 11000000 bytes");
        QTest::newRow("oversized file") << QByteArray(IofXmlDocument::maxDocumentBytes + 1, ' ')
                                        << QStringLiteral("The file is too large");
    }
    void rejected()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, messageStart);
        for (Reader reader : {Reader::CourseData, Reader::EntryList, Reader::StartList}) {
            const QString message = failureOf(reader, bytes);
            QVERIFY2(message.startsWith(messageStart), qPrintable(message));
        }
    }

    // A DTD that points at a local server is never fetched: the server sees no connection.
    void externalReferencesAreNeverFetched()
    {
        // A bare loopback listener: any fetch attempt would leave a connection in its backlog.
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(listener >= 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0);
        QVERIFY(::listen(listener, 4) == 0);
        socklen_t len = sizeof addr;
        QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) == 0);
        ::fcntl(listener, F_SETFL, O_NONBLOCK);
        const QByteArray url = "http://127.0.0.1:" + QByteArray::number(ntohs(addr.sin_port)) + "/x";
        const QByteArray docs[] = {
            "<!DOCTYPE EntryList SYSTEM \"" + url
                + "\"><EntryList><PersonEntry><Person/></PersonEntry></EntryList>",
            "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + url
                + "\">]><EntryList><PersonEntry>&e;</PersonEntry></EntryList>",
            "<EntryList xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"" + url
                + "\"/><PersonEntry><Person/></PersonEntry></EntryList>",
        };
        for (const QByteArray &doc : docs)
            (void)failureOf(Reader::EntryList, doc);
        const int accepted = ::accept(listener, nullptr, nullptr);
        if (accepted >= 0)
            ::close(accepted);
        ::close(listener);
        QCOMPARE(accepted, -1);
    }

    void errorNamesTheLine()
    {
        const QString message
            = failureOf(Reader::EntryList, "<EntryList>\n<PersonEntry>\n</Entry>\n</EntryList>");
        QVERIFY2(message.contains(QStringLiteral("(line 3)")), qPrintable(message));
    }

    // Decimal and integer texts are read strictly (tests/data/iof/numbers.txt).
    void numbers()
    {
        int cases = 0;
        for (const QStringList &parts : casetable::rows(QStringLiteral("iof/numbers.txt"))) {
            const auto integer = iofInteger(parts[0]);
            const auto decimal = iofDecimal(parts[0]);
            QCOMPARE(integer ? QString::number(*integer) : QStringLiteral("-"), parts[1]);
            QCOMPARE(decimal ? QString::number(*decimal, 'g', 17) : QStringLiteral("-"), parts[2]);
            ++cases;
        }
        QVERIFY(cases > 10);
    }
};

QTEST_GUILESS_MAIN(TestIofXmlHostile)
#include "tst_iofxmlhostile.moc"
