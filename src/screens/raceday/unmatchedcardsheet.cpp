#include "unmatchedcardsheet.h"

#include "coursematch.h"
#include "localization.h"
#include "perstage.h"
#include "racedaydesk.h"
#include "racelookup.h"
#include "racestore.h"
#include "resultoperations.h"
#include "stalepunches.h"

#include <utility>

UnmatchedCardChoices unmatchedCardChoices(const Race &race, const SICardReading &card)
{
    UnmatchedCardChoices choices;
    const QList<SIPunch> punches
        = card.startPunchTime ? filterStalePunches(card.punches, card.startPunchTime) : card.punches;
    choices.course = bestCourseMatch(punches, race.courses);
    if (!choices.course)
        return choices;
    choices.candidates = candidateParticipants(race, *choices.course);
    const QList<RaceClass> classes = classesUsingCourse(race, *choices.course);
    if (!classes.isEmpty())
        choices.suggestedClassId = classes.first().id;
    return choices;
}

Participant unmatchedCardDraft(
    const Race &race, const SICardReading &card, const UnmatchedCardChoices &choices)
{
    Participant p;
    p.cardNumber = card.cardNumber;
    p.classId = choices.suggestedClassId;
    if (!choices.course)
        return p;
    if (!race.activeStageId) {
        p.courseId = choices.course->id;
        return p;
    }
    // The punches tell the course of this day only: as a base course it would judge every later
    // day's run by it. It is the runner's for the active stage where the class leaves the course to
    // the runner, as "Assign card" gives it; any other class sets each day's course itself.
    if (choosesCourseByFamily(findClass(race, p.classId)))
        p.courseIdByStage = StageMap<QString> {{*race.activeStageId, choices.course->id}};
    return p;
}

Participant withoutDrawnCourse(const Race &race, const Participant &draft, Participant saved)
{
    const std::optional<QString> &stage = race.activeStageId;
    const std::optional<QString> drawn = courseIdOnStage(draft, stage);
    const std::optional<QString> picked = classIdOnStage(saved, stage);
    const std::optional<QString> suggested = classIdOnStage(draft, stage);
    // Kept where the picked class offers it to a runner of its own choosing: a class that does not
    // choose by family, or another family, would judge the runner on a course it never shows.
    const RaceClass *pickedClass = findClass(race, picked);
    const Course *drawnCourse = findCourse(race, drawn);
    if (!drawn || !picked || (suggested && sameId(*picked, *suggested))
        || (choosesCourseByFamily(pickedClass) && drawnCourse && offersCourse(pickedClass, *drawnCourse)))
        return saved;
    if (!stage) {
        if (saved.courseId == drawn)
            saved.courseId.reset();
        return saved;
    }
    if (!saved.courseIdByStage)
        return saved;
    for (auto it = saved.courseIdByStage->begin(); it != saved.courseIdByStage->end(); ++it) {
        if (sameId(it.key(), *stage) && it.value() == *drawn) {
            saved.courseIdByStage->erase(it);
            break;
        }
    }
    if (saved.courseIdByStage->isEmpty())
        saved.courseIdByStage.reset();
    return saved;
}

UnmatchedCardSheet::UnmatchedCardSheet(QObject *parent)
    : StoreViewModel(parent)
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &UnmatchedCardSheet::changed);
}

void UnmatchedCardSheet::storeReplaced()
{
    if (store())
        follow(connect(
            store()->stationSettings(), &StationSettings::roleChanged, this, &UnmatchedCardSheet::changed));
    emit changed();
}

QObject *UnmatchedCardSheet::deskObject() const
{
    return m_desk.data();
}

void UnmatchedCardSheet::setDeskObject(QObject *desk)
{
    auto *d = qobject_cast<RaceDayDesk *>(desk);
    if (d == m_desk)
        return;
    if (m_desk)
        disconnect(m_desk, nullptr, this, nullptr);
    m_desk = d;
    if (d)
        connect(d, &RaceDayDesk::unmatchedCardChanged, this, &UnmatchedCardSheet::cardChanged);
    cardChanged();
}

void UnmatchedCardSheet::cardChanged()
{
    m_card = m_desk ? m_desk->unmatchedCard() : std::nullopt;
    m_registeringNew = false;
    m_problem.clear();
    emit changed();
}

void UnmatchedCardSheet::open(const SICardReading &card)
{
    m_card = card;
    m_registeringNew = false;
    m_problem.clear();
    emit changed();
}

bool UnmatchedCardSheet::isSlave() const
{
    return store() && store()->stationSettings()->role() == StationRole::Slave;
}

QString UnmatchedCardSheet::mode() const
{
    if (!m_card || !store())
        return {};
    if (isSlave())
        return QStringLiteral("slave");
    if (m_registeringNew || unmatchedCardChoices(store()->race(), *m_card).candidates.isEmpty())
        return QStringLiteral("editor");
    return QStringLiteral("list");
}

QString UnmatchedCardSheet::titleText() const
{
    return m_card ? localized(QStringLiteral("Card %@ — no participant registered"), m_card->cardNumber)
                  : QString();
}

QString UnmatchedCardSheet::courseText() const
{
    if (!m_card || !store())
        return {};
    const UnmatchedCardChoices choices = unmatchedCardChoices(store()->race(), *m_card);
    return choices.course
        ? localized(QStringLiteral("Identified course from punches: %@"), choices.course->name)
        : QString();
}

QVariantList UnmatchedCardSheet::candidates() const
{
    QVariantList list;
    if (!m_card || !store())
        return list;
    const Race &race = store()->race();
    for (const Participant &p : unmatchedCardChoices(race, *m_card).candidates) {
        const RaceClass *c = findClass(race, p.classId);
        list.append(QVariantMap {{QStringLiteral("id"), p.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("name"), (p.givenName + QLatin1Char(' ') + p.familyName).trimmed()},
            {QStringLiteral("className"), c ? c->name : localized(QStringLiteral("No class"))}});
    }
    return list;
}

QString UnmatchedCardSheet::slaveNotice() const
{
    return isSlave()
        ? localized(QStringLiteral("This station is a slave: register the runner at the master, whose next "
                                   "update would drop an entry made here, then read the card again."))
        : QString();
}

void UnmatchedCardSheet::assignCard(const QString &participantId)
{
    if (!m_card || !store() || isSlave())
        return;
    const QUuid id(participantId);
    if (!findParticipant(store()->race(), id)) {
        // Gone meanwhile (deleted on another screen, or replaced by the master's race): the card
        // stays on the sheet for another entry or a new one.
        m_problem = localized(QStringLiteral(
            "That entry no longer exists. Choose another entry or register a new participant."));
        emit changed();
        return;
    }
    // The sheet lets go of the card first: the changes below redraw it, and with the card still
    // on it, the entry that just got the card would make it offer the new-runner editor.
    const SICardReading card = *std::exchange(m_card, std::nullopt);
    const UnmatchedCardChoices choices = unmatchedCardChoices(store()->race(), card);
    reportRecorded(card,
        store()->assignAndRecord(id, choices.course, card.cardNumber, card.punches, card.checkPunchTime,
            card.startPunchTime, card.finishPunchTime, keptCard()));
    complete();
}

void UnmatchedCardSheet::registerNew()
{
    if (isSlave())
        return;
    m_registeringNew = true;
    emit changed();
}

QVariant UnmatchedCardSheet::draftParticipant() const
{
    if (!m_card || !store())
        return {};
    const Race &race = store()->race();
    return QVariant::fromValue(unmatchedCardDraft(race, *m_card, unmatchedCardChoices(race, *m_card)));
}

void UnmatchedCardSheet::saveNewParticipant(const QVariant &participant)
{
    if (!m_card || !store() || isSlave() || !participant.canConvert<Participant>())
        return;
    const SICardReading card = *std::exchange(m_card, std::nullopt);
    const Race &race = store()->race();
    const Participant p = withoutDrawnCourse(race,
        unmatchedCardDraft(race, card, unmatchedCardChoices(race, card)), participant.value<Participant>());
    // Under the number the runner was saved with: a number changed in the editor must not leave
    // the reading with nobody. Recorded under another number, the read-out kept under the card's
    // own number is settled too.
    reportRecorded(card,
        store()->registerAndRecord(p, card.cardNumber, card.punches, card.checkPunchTime, card.startPunchTime,
            card.finishPunchTime, keptCard()));
    complete();
}

std::optional<QUuid> UnmatchedCardSheet::keptCard() const
{
    // Recorded, the kept read-out the card came from is settled, whatever stage is active by now.
    // Not recorded (nobody holds the number): it stays kept.
    return m_desk ? m_desk->unmatchedKeptCard() : std::nullopt;
}

void UnmatchedCardSheet::reportRecorded(const SICardReading &card, const std::optional<PersonResult> &result)
{
    if (m_desk)
        m_desk->readingRecorded(card, result);
}

void UnmatchedCardSheet::cancel()
{
    complete();
}

void UnmatchedCardSheet::complete()
{
    m_registeringNew = false;
    m_problem.clear();
    emit completed();
    if (m_desk)
        m_desk->clearUnmatchedCard();
    else {
        m_card.reset();
        emit changed();
    }
}
