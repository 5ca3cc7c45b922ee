#pragma once

// The Status section: who has not started yet, who is still out, who is back (has a card read for
// the selected stage) and who is marked DNS or DNF, with a DNS / DNF mark per runner. The list is
// derived from the store's race each time it changes; "now" is read from the injected clock at
// each derivation, so a start time that passes moves its runner on the next change.
//
// The 5,000-entry event must update within a frame after a card read. The name order of all
// participants is kept and only rebuilt when an entry's name or the entry list changes; a stable
// sort of a subset is the subsequence of the stable sort of the whole, so filtering walks that
// order once.

#include "countedlistmodel.h"
#include "race.h"
#include "storeviewmodel.h"
#include "uuidslots.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>
#include <vector>

enum class StatusFilterGroup { All, NotStartedYet, StillGoing, CheckedOut, Dnf, Dns };

// In the order of the checkbox row.
inline constexpr StatusFilterGroup allStatusFilterGroups[]
    = {StatusFilterGroup::All, StatusFilterGroup::NotStartedYet, StatusFilterGroup::StillGoing,
        StatusFilterGroup::CheckedOut, StatusFilterGroup::Dnf, StatusFilterGroup::Dns};

[[nodiscard]] QString rawValue(StatusFilterGroup group);
[[nodiscard]] std::optional<StatusFilterGroup> statusFilterGroupFromRawValue(const QString &raw);
// The checkbox title (a localisation key).
[[nodiscard]] QString statusFilterTitle(StatusFilterGroup group);

// The per-stage view of the race the groups are decided on. An empty stage id means no stage.
struct OutstandingContext
{
    const Race *race = nullptr;
    QString stageId;
    QDateTime now;
    // Runners with a result of that stage (a result without stage counts only for no stage).
    QSet<QUuid> withResult;
};

[[nodiscard]] OutstandingContext outstandingContext(
    const Race &race, const QString &stageId, const QDateTime &now);
[[nodiscard]] std::optional<QString> stageClassId(const Participant &p, const QString &stageId);
[[nodiscard]] std::optional<QDateTime> stageStartTime(const Participant &p, const QString &stageId);
// The did-not-start or did-not-finish mark on the stage (statusOnStage; empty: for every stage).
[[nodiscard]] std::optional<ParticipantStatus> stageStatus(const Participant &p, const QString &stageId);
[[nodiscard]] bool matchesGroup(
    const OutstandingContext &context, const Participant &p, StatusFilterGroup group);

// The participants to list, as indexes into race.participants, in name order (ties keep entry
// order). `nameOrder` is every participant's index in that order (see participantNameOrder).
[[nodiscard]] QList<qsizetype> filteredParticipants(const OutstandingContext &context,
    const QSet<StatusFilterGroup> &groups, const QList<qsizetype> &nameOrder);
[[nodiscard]] QList<qsizetype> participantNameOrder(const QList<Participant> &participants);

// filteredParticipants(outstandingContext(race, stageId, now), groups, participantNameOrder(...))
// for one race after another, as the Status section derives its list after every change. What
// the groups read of each entry for the stage (class, start, mark) and the name order are kept in
// compact tables while the race's entry list is still the one they were read from (a share of it
// is kept, and any change to a shared list copies it first), so that a card read, which changes
// only results, costs a pass over the stage's results and those tables instead of one over every
// entry's record and its per-stage maps.
class OutstandingDerivation
{
public:
    [[nodiscard]] QList<qsizetype> rows(const Race &race, const QString &stageId, const QDateTime &now,
        const QSet<StatusFilterGroup> &groups);

private:
    struct EntryFacts
    {
        enum Flag : quint8 {
            HasClass = 1,
            HasStart = 2,
            // A start compared as QDateTime (local time, time zone or invalid): `start` is its
            // index in m_irregularStarts.
            Irregular = 4,
            Marked = 8,
            Dns = 16,
            Dnf = 32,
        };
        // Milliseconds since the epoch.
        qint64 start;
        // The id's dense number: entries sharing an id share whether the id has a result.
        qint32 id;
        quint8 flags;
    };

    void takeEntries(const Race &race, const QString &stageId);

    QList<Participant> m_entries;
    bool m_taken = false;
    QString m_stageId;
    std::vector<EntryFacts> m_facts;
    std::vector<QDateTime> m_irregularStarts;
    std::optional<UuidSlots> m_idNumbers;
    // The name order and the names it was built from (in entry order): a changed entry list whose
    // names are the same keeps it.
    struct OrderedName
    {
        QUuid id;
        QString givenName;
        QString familyName;
    };
    QList<qsizetype> m_nameOrder;
    QList<OrderedName> m_orderedNames;
    std::vector<char> m_listed;
    std::vector<char> m_idHasResult;
};

// The row texts: the name as given, and "Card %@ · %@%@" with class name and club suffix.
[[nodiscard]] QString outstandingNameLine(const Participant &p);
[[nodiscard]] QString outstandingDetailLine(const Race &race, const Participant &p, const QString &stageId);

// One card read-out the event keeps because no entry held the card, as the Status section lists
// it: "Card %@" over "Read at %@ · %@ punch(es)" (time of day in the system's zone).
struct UnknownCardRow
{
    QUuid id;
    QString title;
    QString detail;
};

// Every kept read-out, newest read first (ties keep the stored order).
[[nodiscard]] QList<UnknownCardRow> unknownCardRows(const Race &race);

class OutstandingRowsModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the Status section")

public:
    enum Role { ParticipantIdRole = Qt::UserRole + 1, NameRole, DetailRole, StatusIndexRole };

    using CountedListModel::CountedListModel;

    // Texts are built when a row is drawn, from the race the rows were set with.
    void setRows(const Race *race, const QString &stageId, QList<qsizetype> rows);
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;
    [[nodiscard]] const QList<qsizetype> &rows() const { return m_rows; }

private:
    [[nodiscard]] qsizetype size() const override { return m_rows.size(); }
    const Race *m_race = nullptr;
    QString m_stageId;
    QList<qsizetype> m_rows;
};

class OutstandingScreen : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    // "%@ participant(s)" with the number of rows.
    Q_PROPERTY(QString countText READ countText NOTIFY rowsChanged)
    // [{raw, title, checked}] in checkbox order.
    Q_PROPERTY(QVariantList groups READ groups NOTIFY rowsChanged)
    Q_PROPERTY(bool showsStagePicker READ showsStagePicker NOTIFY rowsChanged)
    // [{text: name, value: id}] by stage order.
    Q_PROPERTY(QVariantList stageOptions READ stageOptions NOTIFY rowsChanged)
    Q_PROPERTY(QString filterStageId READ filterStageId WRITE setFilterStageId NOTIFY rowsChanged)
    Q_PROPERTY(OutstandingRowsModel *rows READ rowsModel CONSTANT)
    // Marks are kept at the master: a slave's mark would be undone by the master's next race.
    Q_PROPERTY(bool canMark READ canMark NOTIFY rowsChanged)
    Q_PROPERTY(QString markingNotice READ markingNotice NOTIFY rowsChanged)
    // The cards read that no entry held, kept until given to a runner or dismissed:
    // [{id, title, detail}] newest first, and the heading with their number (empty without any).
    Q_PROPERTY(QVariantList unknownCards READ unknownCards NOTIFY rowsChanged)
    Q_PROPERTY(QString unknownCardsTitle READ unknownCardsTitle NOTIFY rowsChanged)

public:
    using Clock = std::function<QDateTime()>;

    explicit OutstandingScreen(QObject *parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }

    [[nodiscard]] QString countText() const;
    [[nodiscard]] QVariantList groups() const;
    [[nodiscard]] const QSet<StatusFilterGroup> &selectedGroups() const { return m_selected; }
    Q_INVOKABLE void toggleGroup(const QString &raw);
    [[nodiscard]] bool showsStagePicker() const;
    [[nodiscard]] QVariantList stageOptions() const;
    [[nodiscard]] const QString &filterStageId() const { return m_stageId; }
    void setFilterStageId(const QString &stageId);
    [[nodiscard]] OutstandingRowsModel *rowsModel() { return &m_rows; }
    [[nodiscard]] bool canMark() const;
    [[nodiscard]] QString markingNotice() const;

    // 0 "—", 1 "DNS", 2 "DNF".
    Q_INVOKABLE void setStatusIndex(const QString &participantId, int index);

    [[nodiscard]] QVariantList unknownCards() const;
    [[nodiscard]] QString unknownCardsTitle() const;
    // "Dismiss": the read-out is dropped from the event for good.
    Q_INVOKABLE void dismissUnknownCard(const QString &id);

    // Derives the rows from the race as it is now (the store's changes call it).
    void refresh();

signals:
    void storeChanged();
    void rowsChanged();

private:
    void storeReplaced() override;
    void racePublished() override { refresh(); }

    Clock m_clock;
    QSet<StatusFilterGroup> m_selected {StatusFilterGroup::StillGoing};
    QString m_stageId;
    OutstandingRowsModel m_rows;
    OutstandingDerivation m_derivation;
};
