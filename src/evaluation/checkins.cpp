#include "checkins.h"

#include "perstage.h"
#include "racelookup.h"

namespace {

// Only the tab and the Unicode space separators count as white space here; line breaks stay.
bool isStatusSpace(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

QString trimStatus(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isStatusSpace(text[begin]))
        ++begin;
    while (end > begin && isStatusSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

qsizetype findParticipant(Race &race, const ChecklistEntry &entry, bool &changed)
{
    // Look-ups read a const view so that a pull that changes nothing copies nothing.
    const QList<Participant> &participants = race.participants;
    for (qsizetype i = 0; i < participants.size(); ++i) {
        if (participants[i].externalId == entry.id)
            return i;
    }
    // A blank card number names nobody: matching it would link an arbitrary runner without a card.
    if (entry.sportident.trimmed().isEmpty())
        return -1;
    for (qsizetype i = 0; i < participants.size(); ++i) {
        const Participant &p = participants[i];
        if (!p.externalId
            && cardNumberWithoutSpaces(p.cardNumber) == cardNumberWithoutSpaces(entry.sportident)) {
            race.participants[i].externalId = entry.id;
            changed = true;
            return i;
        }
    }
    return -1;
}

} // namespace

bool applyChecklistCheckins(Race &race, const QList<ChecklistEntry> &entries, const QDateTime &now)
{
    bool changed = false;
    for (const ChecklistEntry &entry : entries) {
        const qsizetype index = findParticipant(race, entry, changed);
        if (index < 0)
            continue;
        const Participant &p = std::as_const(race.participants)[index];
        const QString status = trimStatus(entry.startStatus);

        std::optional<QDateTime> checkedInAt;
        // The day checked in (or reported not starting) is the active stage.
        const std::optional<ParticipantStatus> markNow = statusOnStage(p, race.activeStageId);
        std::optional<ParticipantStatus> targetStatus = markNow;
        if (status.isEmpty()) {
            if (targetStatus == ParticipantStatus::Dns)
                targetStatus.reset();
        } else if (status == QLatin1String("DNS")) {
            targetStatus = ParticipantStatus::Dns;
        } else {
            checkedInAt = p.checkedInAt ? *p.checkedInAt : now;
            if (targetStatus == ParticipantStatus::Dns)
                targetStatus.reset();
        }
        const std::optional<QString> pending = entry.hasNewSportident ? entry.newSportident : std::nullopt;
        const bool newTime = checkedInAt != p.checkedInAt;
        const bool newStatus = targetStatus != markNow;
        const bool newPending = pending != p.pendingCardNumber;
        if (!newTime && !newStatus && !newPending)
            continue;
        // Writing may detach the list, so `p` is not used past this point.
        Participant &target = race.participants[index];
        if (newTime)
            target.checkedInAt = checkedInAt;
        if (newStatus)
            (void)setStatusOnStage(target, targetStatus, race.activeStageId, race.stages);
        if (newPending)
            target.pendingCardNumber = pending;
        changed = true;
    }
    return changed;
}
