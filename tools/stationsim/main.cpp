// vexlo-stationsim: a SportIdent station on a pseudo-terminal, for trying the reader without
// hardware. Prints the device path; reads a card on Enter, or every N seconds with --every N.

#include "stationsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTime>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexlo-stationsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("SportIdent station simulator on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption modeOption(QStringLiteral("mode"),
        QStringLiteral("Station mode: handshake, autosend or polling."), QStringLiteral("mode"),
        QStringLiteral("handshake"));
    const QCommandLineOption everyOption(QStringLiteral("every"),
        QStringLiteral("Read a card every N seconds (default: on Enter only)."), QStringLiteral("seconds"));
    const QCommandLineOption punchesOption(QStringLiteral("punches"), QStringLiteral("Punches per card."),
        QStringLiteral("count"), QStringLiteral("8"));
    const QCommandLineOption firstCodeOption(QStringLiteral("first-code"),
        QStringLiteral("Control code of each card's first punch; the others count up from it (up to 1023)."),
        QStringLiteral("code"), QStringLiteral("31"));
    parser.addOptions({modeOption, everyOption, punchesOption, firstCodeOption});
    parser.process(app);

    const QString modeText = parser.value(modeOption);
    StationMode mode = StationMode::Handshake;
    if (modeText == QLatin1String("autosend"))
        mode = StationMode::Autosend;
    else if (modeText == QLatin1String("polling"))
        mode = StationMode::Polling;
    else if (modeText != QLatin1String("handshake"))
        parser.showHelp(1);

    QTextStream out(stdout);
    bool codeRead = false;
    const int firstCode = parser.value(firstCodeOption).toInt(&codeRead);
    if (!codeRead || firstCode < 1 || firstCode > 1023) {
        out << "vexlo-stationsim: --first-code takes a control code from 1 to 1023" << Qt::endl;
        return 1;
    }
    StationSimulator station(mode);
    QString error;
    if (!station.start(&error)) {
        out << "vexlo-stationsim: " << error << Qt::endl;
        return 1;
    }
    out << "vexlo-stationsim: station (" << modeText << ") at " << station.devicePath() << Qt::endl;
    out << "Start the app with: VEXLO_SI_PORTS=" << station.devicePath() << " scripts/run-app.sh" << Qt::endl;
    out << "Press Enter to read a card, q and Enter to quit." << Qt::endl;

    const QList<SimCard::Series> rotation
        = {SimCard::Series::SI8, SimCard::Series::SI9, SimCard::Series::SI10, SimCard::Series::SI11,
            SimCard::Series::SIAC, SimCard::Series::PCard, SimCard::Series::SI6, SimCard::Series::SI5};
    const int punchCount = std::max(0, parser.value(punchesOption).toInt());
    int reads = 0;
    const auto readCard = [&] {
        SimCard card = SimCard::example(rotation.at(reads % rotation.size()), punchCount, quint32(reads + 1));
        // Codes above 255 keep their two high bits in each punch record's flags; an SI5 card has
        // room for the low byte only.
        for (qsizetype i = 0; i < card.punches.size(); ++i)
            card.punches[i].controlCode = std::min(firstCode + int(i), 1023);
        // Times around now so the read looks like a runner who just finished.
        const int now = QTime::currentTime().msecsSinceStartOfDay() / 1000;
        const int shift = now - (*card.finish);
        const auto moved = [shift](std::optional<int> &t) {
            if (t)
                t = (*t + shift + 86400) % 86400;
        };
        for (SimPunch &p : card.punches)
            moved(p.secondOfDay);
        moved(card.check);
        moved(card.start);
        card.finish = now;
        card.dayOfWeek = QDate::currentDate().dayOfWeek() % 7; // the card counts from Sunday = 0
        ++reads;
        out << "inserting " << SimCard::seriesName(card.series) << " card " << card.number << " with "
            << card.punches.size() << " punches" << Qt::endl;
        station.removeCard(); // a card still in the station from a fast --every
        station.insertCard(card);
        QTimer::singleShot(1500, &station, [&station, &out, &reads, inserted = reads] {
            if (reads != inserted)
                return; // a later card is in the station now
            station.removeCard();
            out << "card removed" << Qt::endl;
        });
    };

    QTimer every;
    if (parser.isSet(everyOption)) {
        const int seconds = parser.value(everyOption).toInt();
        if (seconds > 0) {
            QObject::connect(&every, &QTimer::timeout, &app, readCard);
            every.start(seconds * 1000);
        }
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[256];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line);
        if (n <= 0 && every.isActive()) {
            input.setEnabled(false); // no terminal: keep reading on the timer
            return;
        }
        if (n <= 0 || line[0] == 'q') {
            app.quit();
            return;
        }
        readCard();
    });

    return app.exec();
}
