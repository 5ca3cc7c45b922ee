// The command line of `vexlo` (cases in tests/data/app/command-line.tsv): which file the window
// opens, and what --help, --version and mistakes print in English and Danish. Then one Vexlo per
// data folder: the lock, a second start handing its file to the first over the local socket, and
// a first that does not answer.

#include "apptesting.h"
#include "casetable.h"
#include "commandline.h"
#include "introductionmodel.h"
#include "singleinstance.h"
#include "testenvironment.h"

#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <future>

class TestCommandLine : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_commandline"); }

    void arguments_data() { casetable::load("app/command-line.tsv"); }
    void arguments()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(cells.size(), 5);
        const QStringList arguments = cells[0].split(QLatin1Char('\n'));
        const AppLanguage language = *appLanguageFromText(cells[1]);
        const QString program = QCoreApplication::arguments().constFirst();
        const auto expand = [&](QString text) {
            return text.replace(QStringLiteral("<version>"), QStringLiteral(VEXLO_PROJECT_VERSION))
                .replace(QStringLiteral("<program>"), program);
        };
        const CommandLine line = readCommandLine(arguments, QStringLiteral("/srv/events"));
        if (cells[2] == QLatin1String("window")) {
            QVERIFY(!line.answersOnly);
            QCOMPARE(line.file, cells[3]);
            return;
        }
        QVERIFY(line.answersOnly);
        const CommandLineAnswer answer = answerCommandLine(arguments, language);
        QCOMPARE(answer.exitCode, cells[2].toInt());
        QCOMPARE(answer.out, expand(cells[3]));
        QCOMPARE(answer.err.section(QLatin1Char('\n'), 0, 0), cells[4]);
        if (answer.exitCode != 0) {
            // A mistake is followed by the help, in the same language.
            QVERIFY(answer.err.contains(
                language == AppLanguage::Danish ? QStringLiteral("\nBrug: ") : QStringLiteral("\nUsage: ")));
        }
        // Asking again in English gives English: the Danish tables were taken away again.
        if (language == AppLanguage::Danish && cells[2] == QLatin1String("0"))
            QCOMPARE(answerCommandLine({QStringLiteral("vexlo"), QStringLiteral("-h")}, AppLanguage::English)
                         .out.section(QLatin1Char(' '), 0, 0),
                QStringLiteral("Usage:"));
    }

    void environmentLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<int>("expected");
        QTest::newRow("Danish") << QByteArray("da_DK.UTF-8") << int(AppLanguage::Danish);
        QTest::newRow("English") << QByteArray("en_GB.UTF-8") << int(AppLanguage::English);
        QTest::newRow("German: English") << QByteArray("de_DE.UTF-8") << int(AppLanguage::English);
    }
    void environmentLanguage()
    {
        QFETCH(QByteArray, language);
        QFETCH(int, expected);
        // The system locale is read once; a process of its own reads the variables afresh.
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(language));
        env.insert(QStringLiteral("LANGUAGE"), QString());
        probe.setProcessEnvironment(env);
        probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-printLanguage")});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.readAllStandardOutput().trimmed(), toText(AppLanguage(expected)).toLatin1());
    }

    // The About view shows the project's version, the one --version prints.
    void aboutShowsTheProjectVersion()
    {
        LocalizationManager danish {QStringList {QStringLiteral("da-DK")}};
        LocalizationManager::setShared(&danish);
        danish.setLanguage(AppLanguage::Danish);
        QCOMPARE(IntroductionModel().versionText(), QStringLiteral("Version " VEXLO_PROJECT_VERSION));
        LocalizationManager::setShared(nullptr);
    }

    // The first process holds the lock while it lives; a later one does not get it.
    void oneLockPerDataFolder()
    {
        QTemporaryDir dir;
        auto first = std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("Vexlo")));
        QVERIFY(first->claim());
        InstanceLock second(dir.filePath(QStringLiteral("Vexlo")));
        QVERIFY(!second.claim());
        QCOMPARE(second.socketPath(), first->socketPath());
        InstanceLock elsewhere(dir.filePath(QStringLiteral("Other")));
        QVERIFY(elsewhere.claim());
        first.reset();
        InstanceLock third(dir.filePath(QStringLiteral("Vexlo")));
        QVERIFY(third.claim());
    }

    // A second start hands its file (or nothing: only come to the front) to the first, whose
    // listener replaces the socket file a dead process left behind.
    void secondStartHandsItsFileOver_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("a file") << QStringLiteral("/home/anne/Løb/natløb.vexloevent.json");
        QTest::newRow("no file") << QString();
    }
    void secondStartHandsItsFileOver()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        InstanceLock lock(dir.path());
        QVERIFY(lock.claim());
        QFile stale(lock.socketPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        InstanceListener listener;
        QVERIFY(listener.listen(lock.socketPath()));
        QSignalSpy handed(&listener, &InstanceListener::handedOver);
        // The second process's side blocks, as main() does: on a thread of its own here.
        auto second = std::async(std::launch::async,
            [&] { return handToRunningInstance(lock.socketPath(), file, std::chrono::seconds(30)); });
        QTRY_COMPARE(handed.size(), 1);
        QCOMPARE(handed.first().first().toString(), file);
        QTRY_VERIFY(second.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(second.get(), Handover::Taken);
    }

    // A first process that holds the lock but does not answer: the second gives up after its
    // patience, and says so (main() prints it and exits 1).
    void firstThatDoesNotAnswer()
    {
        QTemporaryDir dir;
        InstanceLock lock(dir.path());
        QVERIFY(lock.claim());
        QCOMPARE(handToRunningInstance(lock.socketPath(), QStringLiteral("/tmp/x.vexloevent.json"),
                     std::chrono::milliseconds(200)),
            Handover::NoAnswer);
        // Listening, but never answering the line.
        QLocalServer mute;
        QVERIFY(mute.listen(lock.socketPath()));
        QCOMPARE(handToRunningInstance(lock.socketPath(), QString(), std::chrono::milliseconds(300)),
            Handover::NoAnswer);
    }
};

int main(int argc, char *argv[])
{
    // The environment-language probe: prints the language this process's environment asks for.
    if (argc == 2 && qstrcmp(argv[1], "-printLanguage") == 0) {
        QCoreApplication app(argc, argv);
        std::printf("%s\n", qPrintable(toText(environmentLanguage())));
        return 0;
    }
    TestCommandLine::initMain();
    QCoreApplication app(argc, argv);
    TestCommandLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commandline.moc"
