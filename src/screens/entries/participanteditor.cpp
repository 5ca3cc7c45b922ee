#include "participanteditor.h"

#include "racelookup.h"

#include "classorder.h"
#include "localization.h"
#include "nameorder.h"
#include "racestore.h"
#include "typedtext.h"

#include <algorithm>

bool naturalLess(const QString &a, const QString &b)
{
    return nameLess(a, b);
}

namespace {
QVariantMap option(const QString &id, const QString &name)
{
    return {{QStringLiteral("id"), id}, {QStringLiteral("name"), name}};
}
} // namespace

ParticipantEditorViewModel::ParticipantEditorViewModel(QObject *parent)
    : QObject(parent)
{ }

void ParticipantEditorViewModel::edit(const Participant &participant, const QList<RaceClass> &classes,
    const QList<Course> &courses, const QList<Stage> &stages, const QSet<QString> &otherCardNumbers)
{
    m_p = participant;
    m_openedCard = cardNumberWithoutSpaces(participant.cardNumber);
    m_classes = classes;
    m_courses = courses;
    m_stages = stages;
    std::stable_sort(
        m_stages.begin(), m_stages.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    m_otherCards.clear();
    // Compared by digits, as the edited number is stored without spaces.
    for (const QString &card : otherCardNumbers)
        m_otherCards.insert(cardNumberWithoutSpaces(card));
    m_open = true;
    emit openChanged();
    emit edited();
}

bool ParticipantEditorViewModel::editParticipant(QObject *storeObject, const QString &participantId)
{
    auto *store = qobject_cast<RaceStore *>(storeObject);
    if (!store)
        return false;
    const Race &race = store->race();
    const QUuid id(participantId);
    const auto found = std::find_if(race.participants.cbegin(), race.participants.cend(),
        [&](const Participant &p) { return p.id == id; });
    if (found == race.participants.cend())
        return false;
    QSet<QString> others;
    for (const Participant &p : race.participants)
        if (p.id != id)
            others.insert(cardNumberWithoutSpaces(p.cardNumber));
    edit(*found, race.classes, race.courses, race.stages, others);
    return true;
}

void ParticipantEditorViewModel::editNewParticipant(QObject *storeObject)
{
    auto *store = qobject_cast<RaceStore *>(storeObject);
    if (!store)
        return;
    const Race &race = store->race();
    QSet<QString> others;
    for (const Participant &p : race.participants)
        others.insert(cardNumberWithoutSpaces(p.cardNumber));
    edit(Participant(), race.classes, race.courses, race.stages, others);
}

void ParticipantEditorViewModel::editDraft(QObject *storeObject, const QVariant &draft)
{
    auto *store = qobject_cast<RaceStore *>(storeObject);
    if (!store || !draft.canConvert<Participant>())
        return;
    const Race &race = store->race();
    QSet<QString> others;
    for (const Participant &p : race.participants)
        others.insert(cardNumberWithoutSpaces(p.cardNumber));
    edit(draft.value<Participant>(), race.classes, race.courses, race.stages, others);
}

Participant ParticipantEditorViewModel::result() const
{
    Participant p = m_p;
    // Stored as the digits the station reads, whatever grouping was typed.
    p.cardNumber = cardNumberWithoutSpaces(p.cardNumber);
    if (p.cardNumber != m_openedCard)
        p.isRentalCard.reset();
    return p;
}

void ParticipantEditorViewModel::setGivenName(const QString &v)
{
    m_p.givenName = v;
    emit edited();
}

void ParticipantEditorViewModel::setFamilyName(const QString &v)
{
    m_p.familyName = v;
    emit edited();
}

void ParticipantEditorViewModel::setCardNumber(const QString &v)
{
    m_p.cardNumber = v;
    emit edited();
}

void ParticipantEditorViewModel::setClub(const QString &v)
{
    m_p.club = v.isEmpty() ? std::nullopt : std::optional<QString>(v);
    emit edited();
}

int ParticipantEditorViewModel::preferenceIndex() const
{
    if (!m_p.startTimePreference)
        return 0;
    return *m_p.startTimePreference == StartTimePreference::Early ? 1 : 2;
}

void ParticipantEditorViewModel::setPreferenceIndex(int index)
{
    if (index == 1)
        m_p.startTimePreference = StartTimePreference::Early;
    else if (index == 2)
        m_p.startTimePreference = StartTimePreference::Late;
    else
        m_p.startTimePreference.reset();
    emit edited();
}

bool ParticipantEditorViewModel::isDuplicateCardNumber() const
{
    const QString card = cardNumberWithoutSpaces(m_p.cardNumber);
    return !card.isEmpty() && m_otherCards.contains(card);
}

bool ParticipantEditorViewModel::isZeroCardNumber() const
{
    const QString card = cardNumberWithoutSpaces(m_p.cardNumber);
    return !card.isEmpty() && std::all_of(card.cbegin(), card.cend(), [](QChar c) { return c == u'0'; });
}

QString ParticipantEditorViewModel::cardWarning() const
{
    if (!isCardNumberText(m_p.cardNumber)) {
        return localized(
            QStringLiteral("A card number is digits only; \"%@\" holds other characters. Type the "
                           "number printed on the card."),
            typedTextEcho(m_p.cardNumber, 32));
    }
    if (!isCardNumberInRange(m_p.cardNumber)) {
        return localized(
            QStringLiteral("No SportIdent card has the number %@: card numbers go up to 16,777,215."),
            cardNumberWithoutSpaces(m_p.cardNumber).left(32));
    }
    if (isZeroCardNumber())
        return localized(
            QStringLiteral("No SportIdent card has the number 0. Type the number printed on the card."));
    if (isDuplicateCardNumber())
        return localized(QStringLiteral("This card number is already assigned to another participant."));
    if (!m_p.cardNumber.isEmpty() && m_p.cardNumber.trimmed().isEmpty())
        return localized(QStringLiteral("The card number is blank."));
    return {};
}

QString ParticipantEditorViewModel::givenNameWarning() const
{
    return typedNameProblem(m_p.givenName);
}

QString ParticipantEditorViewModel::familyNameWarning() const
{
    return typedNameProblem(m_p.familyName);
}

QString ParticipantEditorViewModel::clubWarning() const
{
    return typedNameProblem(m_p.club.value_or(QString()));
}

bool ParticipantEditorViewModel::canSave() const
{
    // A card number, and nothing any warning refuses.
    return !cardNumberWithoutSpaces(m_p.cardNumber).isEmpty() && cardWarning().isEmpty()
        && givenNameWarning().isEmpty() && familyNameWarning().isEmpty() && clubWarning().isEmpty();
}

QString ParticipantEditorViewModel::classLabel() const
{
    return localized(m_stages.isEmpty() ? QStringLiteral("Class") : QStringLiteral("Base class"));
}

QList<RaceClass> ParticipantEditorViewModel::sortedClasses() const
{
    QList<RaceClass> sorted = m_classes;
    std::stable_sort(sorted.begin(), sorted.end(), compareClassNames);
    return sorted;
}

QVariantList ParticipantEditorViewModel::classOptions() const
{
    QVariantList options {option({}, localized(QStringLiteral("None")))};
    for (const RaceClass &c : sortedClasses())
        options.append(option(c.id, c.name));
    return options;
}

QVariantList ParticipantEditorViewModel::stageClassOptions() const
{
    QVariantList options {option({}, localized(QStringLiteral("(Same as base)")))};
    for (const RaceClass &c : sortedClasses())
        options.append(option(c.id, c.name));
    return options;
}

namespace {
// The option's position; -1 (no selection) when the stored id matches none, so a picker never
// shows a different value than the one stored.
int indexOf(const QVariantList &options, const std::optional<QString> &id)
{
    for (int i = 0; i < options.size(); ++i)
        if (options.at(i).toMap().value(QStringLiteral("id")).toString() == id.value_or(QString()))
            return i;
    return -1;
}
std::optional<QString> idAt(const QVariantList &options, int index)
{
    if (index <= 0 || index >= options.size())
        return std::nullopt;
    return options.at(index).toMap().value(QStringLiteral("id")).toString();
}
} // namespace

int ParticipantEditorViewModel::classIndex() const
{
    return indexOf(classOptions(), m_p.classId);
}

void ParticipantEditorViewModel::setClassIndex(int index)
{
    if (index < 0)
        return;
    const std::optional<QString> was = m_p.classId;
    const std::optional<QString> now = idAt(classOptions(), index);
    if (was == now)
        return;
    const QHash<QString, std::optional<QString>> before = stageClasses();
    m_p.classId = now;
    // A stage whose class was the old one (an import stores the class for its stage) moves with
    // it; a stage set to another class stays.
    if (was && m_p.classIdByStage) {
        for (auto it = m_p.classIdByStage->begin(); it != m_p.classIdByStage->end();)
            it = sameId(it.value(), *was) ? m_p.classIdByStage->erase(it) : std::next(it);
    }
    dropCoursesNotOffered(was, before);
    emit edited();
}

QString ParticipantEditorViewModel::ownStageClassesText() const
{
    QStringList named;
    for (const Stage &stage : m_stages) {
        const std::optional<QString> own = classIdForStage(stage.id);
        if (own == m_p.classId || !own)
            continue;
        const RaceClass *c = findClass(own);
        named.append(stage.name + QStringLiteral(" (") + (c ? c->name : *own) + QLatin1Char(')'));
    }
    return named.isEmpty()
        ? QString()
        : localized(QStringLiteral("Stays in its own class on %@"), named.join(QStringLiteral(", ")));
}

QHash<QString, std::optional<QString>> ParticipantEditorViewModel::stageClasses() const
{
    QHash<QString, std::optional<QString>> classes;
    if (m_p.courseIdByStage) {
        for (auto it = m_p.courseIdByStage->cbegin(); it != m_p.courseIdByStage->cend(); ++it)
            classes.insert(it.key(), classIdForStage(it.key()));
    }
    return classes;
}

void ParticipantEditorViewModel::dropCoursesNotOffered(
    const std::optional<QString> &baseBefore, const QHash<QString, std::optional<QString>> &before)
{
    const auto offered = [&](const std::optional<QString> &classId, const QString &courseId) {
        const Course *course = nullptr;
        for (const Course &c : m_courses) {
            if (c.id == courseId)
                course = &c;
        }
        // A course of no family is the organiser's own choice, whatever the class; a class that
        // chooses by family shows the course (unselected when of another family) and keeps it.
        return !course || !course->courseFamily || choosesCourseByFamily(findClass(classId));
    };
    if (m_p.courseId && baseBefore != m_p.classId && !offered(m_p.classId, *m_p.courseId))
        m_p.courseId.reset();
    if (!m_p.courseIdByStage)
        return;
    for (auto it = m_p.courseIdByStage->begin(); it != m_p.courseIdByStage->end();) {
        const std::optional<QString> now = classIdForStage(it.key());
        const bool moved = before.value(it.key()) != now;
        it = moved && !offered(now, it.value()) ? m_p.courseIdByStage->erase(it) : std::next(it);
    }
}

const RaceClass *ParticipantEditorViewModel::findClass(const std::optional<QString> &id) const
{
    if (!id)
        return nullptr;
    for (const RaceClass &c : m_classes)
        if (c.id == *id)
            return &c;
    return nullptr;
}

std::optional<QString> ParticipantEditorViewModel::classIdForStage(
    const std::optional<QString> &stageId) const
{
    if (stageId && m_p.classIdByStage && m_p.classIdByStage->contains(*stageId))
        return m_p.classIdByStage->value(*stageId);
    return m_p.classId;
}

std::optional<QString> ParticipantEditorViewModel::courseIdForStage(
    const std::optional<QString> &stageId) const
{
    if (stageId && m_p.courseIdByStage && m_p.courseIdByStage->contains(*stageId))
        return m_p.courseIdByStage->value(*stageId);
    return m_p.courseId;
}

QList<Course> ParticipantEditorViewModel::courseChoices(const std::optional<QString> &stageId) const
{
    QList<Course> sorted = m_courses;
    std::stable_sort(sorted.begin(), sorted.end(),
        [](const Course &a, const Course &b) { return naturalLess(a.name, b.name); });
    const RaceClass *c = findClass(classIdForStage(stageId));
    sorted.removeIf([&](const Course &course) { return !offersCourse(c, course); });
    return sorted;
}

bool ParticipantEditorViewModel::showsCourseOverride() const
{
    return choosesCourseByFamily(findClass(m_p.classId));
}

QVariantList ParticipantEditorViewModel::courseOptions() const
{
    QVariantList options {option({}, localized(QStringLiteral("(Class default)")))};
    for (const Course &course : courseChoices(std::nullopt))
        options.append(option(course.id, course.name));
    return options;
}

int ParticipantEditorViewModel::courseIndex() const
{
    return indexOf(courseOptions(), m_p.courseId);
}

void ParticipantEditorViewModel::setCourseIndex(int index)
{
    if (index < 0)
        return;
    m_p.courseId = idAt(courseOptions(), index);
    emit edited();
}

QVariantList ParticipantEditorViewModel::stageBlocks() const
{
    QVariantList blocks;
    const QVariantList classOpts = stageClassOptions();
    for (const Stage &stage : m_stages) {
        const RaceClass *c = findClass(classIdForStage(stage.id));
        QVariantList courseOpts {option({}, localized(QStringLiteral("(Default)")))};
        for (const Course &course : courseChoices(stage.id))
            courseOpts.append(option(course.id, course.name));
        const std::optional<QString> ownClass = m_p.classIdByStage && m_p.classIdByStage->contains(stage.id)
            ? std::optional<QString>(m_p.classIdByStage->value(stage.id))
            : std::nullopt;
        blocks.append(
            QVariantMap {{QStringLiteral("stageId"), stage.id}, {QStringLiteral("name"), stage.name},
                {QStringLiteral("classIndex"), indexOf(classOpts, ownClass)},
                {QStringLiteral("showsCourse"), choosesCourseByFamily(c)},
                {QStringLiteral("courseLabel"), localized(QStringLiteral("%@ course"), stage.name)},
                {QStringLiteral("courseOptions"), courseOpts},
                {QStringLiteral("courseIndex"), indexOf(courseOpts, courseIdForStage(stage.id))}});
    }
    return blocks;
}

void ParticipantEditorViewModel::setStageClassIndex(const QString &stageId, int index)
{
    if (index < 0)
        return;
    const QHash<QString, std::optional<QString>> before = stageClasses();
    if (!m_p.classIdByStage)
        m_p.classIdByStage = StageMap<QString>();
    if (const auto id = idAt(stageClassOptions(), index))
        m_p.classIdByStage->insert(stageId, *id);
    else
        m_p.classIdByStage->remove(stageId);
    dropCoursesNotOffered(m_p.classId, before);
    emit edited();
}

void ParticipantEditorViewModel::setStageCourseIndex(const QString &stageId, int index)
{
    if (index < 0)
        return;
    QVariantList courseOpts {QVariant()};
    for (const Course &course : courseChoices(stageId))
        courseOpts.append(option(course.id, course.name));
    if (!m_p.courseIdByStage)
        m_p.courseIdByStage = StageMap<QString>();
    if (const auto id = idAt(courseOpts, index))
        m_p.courseIdByStage->insert(stageId, *id);
    else
        m_p.courseIdByStage->remove(stageId);
    emit edited();
}

void ParticipantEditorViewModel::save()
{
    if (!m_open || !canSave())
        return;
    emit saved();
    close();
}

void ParticipantEditorViewModel::saveOnSubmit()
{
    save();
}

void ParticipantEditorViewModel::cancel()
{
    if (!m_open)
        return;
    emit cancelled();
    close();
}

void ParticipantEditorViewModel::close()
{
    m_open = false;
    emit openChanged();
}
