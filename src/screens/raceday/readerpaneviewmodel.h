#pragma once

// The reader pane (SI Reader section): stage picker, receipt printer menu and status line, the
// station's ports with their connect buttons, and the recent results. The card status block is
// the desk's (RaceDayDesk), shared with the card-read toast. The pane keeps no state of its own:
// everything is derived from the store, the reader and the receipt preferences it is given.

#include "cardresultpanel.h"
#include "countedlistmodel.h"
#include "race.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>

class CardReaderViewModel;
class RaceDayDesk;
class RaceStore;
class ReceiptPrinter;
struct ReceiptPrintOutcome;

// The name a port row shows: the positively identified station (by its USB ids) is "SportIdent
// Reader (USB)"; "/dev/cu.<name>" shows the name with underscores as blanks (the known bridge name
// as the reader); any other path shows whole.
[[nodiscard]] QString portDisplayName(const QString &path, const QStringList &identifiedReaders = {});

// "Last receipt not printed on <printer>: <reason>" for a receipt that did not print.
[[nodiscard]] QString receiptFailureText(const ReceiptPrintOutcome &failure);

class ReaderPortsModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the reader pane")

public:
    enum Role { PathRole = Qt::UserRole + 1, DisplayNameRole, ConnectedRole };

    explicit ReaderPortsModel(QObject *parent = nullptr);

    // Follows the reader's port list and connection; null shows nothing.
    void setReader(CardReaderViewModel *reader);
    // Where the identified readers are looked up (tests pass a fixed list).
    void setIdentifiedReaders(std::function<QStringList()> identify);

    // Reads the port list again (names follow the selected language).
    void reload();

    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

private:
    [[nodiscard]] qsizetype size() const override { return m_paths.size(); }
    void connectionChanged();

    QPointer<CardReaderViewModel> m_reader;
    std::function<QStringList()> m_identify;
    QStringList m_paths;
    QStringList m_names;
    QString m_connectedPath;
};

// Every result of the event, grouped by class ("group" role, for list sections), newest first
// inside a group, groups in natural order of their titles.
class RecentResultsModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the reader pane")

public:
    enum Role {
        GroupRole = Qt::UserRole + 1,
        RunnerNameRole,
        ValueTextRole,
        ValueMissingRole,
        ResultIdRole,
        StatusTextRole,
        RepeatReadRole,
        // "Earlier read, not ranked" for a read a later one of the same runner and stage
        // supersedes (as the Results screen marks it), else empty.
        EarlierReadTextRole,
        // In an event with stages, the day of a read that is not the active stage's: its stage's
        // name, "No stage" or "Unknown stage"; empty for the active stage's reads and in an event
        // without stages.
        StageTextRole
    };

    explicit RecentResultsModel(QObject *parent = nullptr);

    void setRace(const Race &race);

    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

private:
    [[nodiscard]] qsizetype size() const override { return m_order.size(); }
    [[nodiscard]] RecentResultFacts factsAt(qint32 result) const;
    [[nodiscard]] QString stageTextAt(qint32 result) const;
    // The race as it was, shared with the store (whose next change copies whatever it changes):
    // the view reads a few dozen rows of a list that can hold 150,000, so each row's value,
    // verdict and names are read from here when the row is read, not for every result on every
    // change.
    Race m_race;
    // By result: its runner among m_race.participants (null without one).
    QList<const Participant *> m_runners;
    // By result: the card had been read before in the same stage.
    QList<bool> m_repeated;
    // By result: the read that counts for its runner and stage (countedReads); the others are
    // earlier reads, listed but not ranked.
    std::vector<bool> m_counted;
    // The list's rows: indexes into m_race.results.
    QList<qint32> m_order;
    QStringList m_groupTitles;
    // The first row of each group, then the row count.
    QList<qint32> m_groupStarts;
    // Kept from one change to the next: a card read changes the results alone.
    std::shared_ptr<RecentRunnerIndex> m_runnerIndex;
};

class ReaderPaneViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(RaceDayDesk *desk READ desk WRITE setDesk NOTIFY deskChanged)
    // The receipt preferences the pane shows (bound to the application's receipt settings).
    Q_PROPERTY(QString printerName READ printerName WRITE setPrinterName NOTIFY printerChanged)
    Q_PROPERTY(bool autoPrintOnRead READ autoPrintOnRead WRITE setAutoPrintOnRead NOTIFY printerChanged)

    Q_PROPERTY(bool showsStagePicker READ showsStagePicker NOTIFY stagesChanged)
    // Rows {text: stage name, value: stage id} in ascending order.
    Q_PROPERTY(QVariantList stageOptions READ stageOptions NOTIFY stagesChanged)
    // "" when the race has no active stage.
    Q_PROPERTY(QString activeStageId READ activeStageId NOTIFY stagesChanged)
    // "Card reads go to <stage> (<date>)" in an event of two or more stages with one active; ""
    // otherwise. Only this picker and the Stages screen move the active stage; the set-up screens'
    // pickers choose what they show.
    Q_PROPERTY(QString readsGoToText READ readsGoToText NOTIFY stagesChanged)
    // While the active stage is dated another day than today (the store's clock) and a stage is
    // dated today: "Card reads go to <stage>, dated <date>, but <today's stage> is dated today.";
    // "" otherwise. Worked out afresh at every change of the race, each card read included.
    Q_PROPERTY(QString wrongDayText READ wrongDayText NOTIFY stagesChanged)
    // "Switch to <today's stage>" for the button beside wrongDayText.
    Q_PROPERTY(QString switchToTodayText READ switchToTodayText NOTIFY stagesChanged)
    // "Card reads now go to <stage>" after the active stage changed while a station was
    // connected; cleared when the station disconnects. "" otherwise.
    Q_PROPERTY(QString stageChangeNotice READ stageChangeNotice NOTIFY stagesChanged)

    // Rows {text, value}: "System default" (value "") first, then the installed printers.
    Q_PROPERTY(QVariantList printerChoices READ printerChoices NOTIFY printerChanged)
    // The row of printerName; -1 for a printer that is no longer installed.
    Q_PROPERTY(int printerChoiceIndex READ printerChoiceIndex NOTIFY printerChanged)
    Q_PROPERTY(QString printerStatusText READ printerStatusText NOTIFY printerChanged)
    // Why the last receipt did not print; empty while receipts print.
    Q_PROPERTY(QString printerErrorText READ printerErrorText NOTIFY printerChanged)

    Q_PROPERTY(ReaderPortsModel *ports READ ports CONSTANT)
    Q_PROPERTY(RecentResultsModel *recentResults READ recentResults CONSTANT)

public:
    static constexpr int portRowHeight = 28;

    struct PrinterDirectory
    {
        std::function<QStringList()> names;
        // "" when the system has no default printer.
        std::function<QString()> defaultName;
    };
    // The installed printers as the printing system lists them.
    [[nodiscard]] static PrinterDirectory systemPrinters();

    explicit ReaderPaneViewModel(QObject *parent = nullptr);

    [[nodiscard]] RaceDayDesk *desk() const { return m_desk; }
    void setDesk(RaceDayDesk *desk);
    void setPrinterDirectory(PrinterDirectory directory);

    [[nodiscard]] QString printerName() const { return m_printerName; }
    void setPrinterName(const QString &name);
    [[nodiscard]] bool autoPrintOnRead() const { return m_autoPrintOnRead; }
    void setAutoPrintOnRead(bool on);

    [[nodiscard]] bool showsStagePicker() const;
    [[nodiscard]] QVariantList stageOptions() const;
    [[nodiscard]] QString activeStageId() const;
    [[nodiscard]] QString readsGoToText() const;
    [[nodiscard]] QString stageChangeNotice() const { return m_stageChangeNotice; }
    [[nodiscard]] QString wrongDayText() const;
    [[nodiscard]] QString switchToTodayText() const;
    // Sets the race's active stage and autosaves; card reads that follow count for it.
    Q_INVOKABLE void selectStage(const QString &stageId);
    // Makes the stage dated today (wrongDayText's) the active one.
    Q_INVOKABLE void switchToToday();

    [[nodiscard]] QVariantList printerChoices() const;
    [[nodiscard]] int printerChoiceIndex() const;
    [[nodiscard]] QString printerStatusText() const;
    [[nodiscard]] QString printerErrorText() const;
    // Lists the installed printers again (the printer menu calls it when it opens).
    Q_INVOKABLE void refreshPrinters();

    [[nodiscard]] ReaderPortsModel *ports() { return &m_ports; }
    [[nodiscard]] RecentResultsModel *recentResults() { return &m_recent; }

    // "Refresh Ports": lists the serial devices again, then connects when exactly one reader is
    // positively identified and none is connected.
    Q_INVOKABLE void refreshPorts();
    Q_INVOKABLE void connectPort(const QString &path);
    Q_INVOKABLE void disconnectPort();

signals:
    void deskChanged();
    void stagesChanged();
    void printerChanged();

private:
    [[nodiscard]] RaceStore *store() const;
    [[nodiscard]] CardReaderViewModel *reader() const;
    [[nodiscard]] ReceiptPrinter *printer() const;
    void raceChanged();
    void readerConnectionChanged();
    [[nodiscard]] QString activeStageName() const;
    [[nodiscard]] const Stage *activeStage() const;
    // The stage dated today while the active one is dated another day (stageDatedTodayInstead).
    [[nodiscard]] const Stage *todaysStageInstead() const;

    QPointer<RaceDayDesk> m_desk;
    // The active stage last seen, to tell a change of it from any other change of the race.
    std::optional<QString> m_seenStage;
    QString m_stageChangeNotice;
    QList<QMetaObject::Connection> m_deskConnections;
    PrinterDirectory m_printers;
    QStringList m_printerNames;
    QString m_defaultPrinter;
    QString m_printerName;
    bool m_autoPrintOnRead = false;
    ReaderPortsModel m_ports;
    RecentResultsModel m_recent;
};
