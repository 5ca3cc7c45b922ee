#pragma once

// The sheet for a card read out that belongs to nobody: give the card to an entry registered
// without one that runs the course its punches identify, or register a new runner with it. Either
// way the reading is then recorded as that runner's result. The identified course, the candidates
// and the suggested class are derived from the race as it is now, every time they are needed.
//
// A reading is never dropped behind the organiser's back: an entry that disappeared before
// "Assign card" leaves the sheet open with a message, and a new runner whose card number was
// changed in the editor gets the reading under the number they were saved with (and the read-out
// the event kept under the card's own number is then settled). On a slave the
// sheet only explains that runners are registered at the master (whose next race would drop an
// entry made here).

#include "race.h"
#include "sicardreading.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <optional>

class RaceDayDesk;

struct UnmatchedCardChoices
{
    std::optional<Course> course;
    QList<Participant> candidates;
    std::optional<QString> suggestedClassId;
};

// The course the card's punches identify among all courses, the entries that could have run it
// without a card, and the first class using it.
[[nodiscard]] UnmatchedCardChoices unmatchedCardChoices(const Race &race, const SICardReading &card);
// The new entry the editor starts from: the card number, the suggested class as its class and the
// identified course as its course; with an active stage the course only for that stage, and only
// when the class chooses its course by family.
[[nodiscard]] Participant unmatchedCardDraft(
    const Race &race, const SICardReading &card, const UnmatchedCardChoices &choices);
// The entry the form hands back, without the course `draft` drew for the day (the active stage, or
// the base course with none) when the organiser picked another class for that day that does not
// offer it (one that does not choose its course by family, or another family): hidden in the form,
// it would decide the day's course over the class's own. A course the organiser chose is theirs.
[[nodiscard]] Participant withoutDrawnCourse(const Race &race, const Participant &draft, Participant saved);

class UnmatchedCardSheet : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY changed)
    // The sheet follows the desk's pending unmatched card.
    Q_PROPERTY(QObject *desk READ deskObject WRITE setDeskObject NOTIFY changed)
    // "" (no card), "list", "editor" or "slave".
    Q_PROPERTY(QString mode READ mode NOTIFY changed)
    Q_PROPERTY(QString titleText READ titleText NOTIFY changed)
    Q_PROPERTY(QString courseText READ courseText NOTIFY changed)
    // [{id, name, className}] in entry order.
    Q_PROPERTY(QVariantList candidates READ candidates NOTIFY changed)
    Q_PROPERTY(QString problemText READ problemText NOTIFY changed)
    Q_PROPERTY(QString slaveNotice READ slaveNotice NOTIFY changed)

public:
    explicit UnmatchedCardSheet(QObject *parent = nullptr);

    [[nodiscard]] QObject *deskObject() const;
    void setDeskObject(QObject *desk);
    // Without a desk (tests): the card on show and what ends the sheet.
    void open(const SICardReading &card);

    [[nodiscard]] const std::optional<SICardReading> &card() const { return m_card; }
    [[nodiscard]] QString mode() const;
    [[nodiscard]] QString titleText() const;
    [[nodiscard]] QString courseText() const;
    [[nodiscard]] QVariantList candidates() const;
    [[nodiscard]] QString problemText() const { return m_problem; }
    [[nodiscard]] QString slaveNotice() const;

    Q_INVOKABLE void assignCard(const QString &participantId);
    Q_INVOKABLE void registerNew();
    // The editor's starting entry (a Participant in a QVariant).
    Q_INVOKABLE QVariant draftParticipant() const;
    // The editor's "Save": the entry added and the reading recorded under its card number, as one
    // change.
    Q_INVOKABLE void saveNewParticipant(const QVariant &participant);
    Q_INVOKABLE void cancel();

signals:
    void changed();
    // The sheet is done (assigned, saved or cancelled).
    void completed();

private:
    void storeReplaced() override;
    // The list follows the race: an entry given a card elsewhere leaves it.
    void racePublished() override { emit changed(); }
    [[nodiscard]] bool isSlave() const;
    void cardChanged();
    // The kept read-out the sheet's card came from, settled when the card is recorded.
    [[nodiscard]] std::optional<QUuid> keptCard() const;
    void reportRecorded(const SICardReading &card, const std::optional<PersonResult> &result);
    void complete();

    QPointer<RaceDayDesk> m_desk;
    std::optional<SICardReading> m_card;
    bool m_registeringNew = false;
    QString m_problem;
};
