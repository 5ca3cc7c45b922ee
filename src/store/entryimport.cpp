#include "entryimport.h"

#include "log.h"
#include "racelookup.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

IdMap mergeImportedClasses(Race &race, const QList<RaceClass> &classes, const std::optional<QString> &stageId)
{
    IdMap idMap;
    for (const RaceClass &imported : classes) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < race.classes.size() && found < 0; ++i) {
            if (sameId(race.classes[i].id, imported.id))
                found = i;
        }
        if (found < 0) {
            const QString key = matchKey(imported.name);
            for (qsizetype i = 0; i < race.classes.size() && found < 0; ++i) {
                if (matchKey(race.classes[i].name) == key)
                    found = i;
            }
        }
        if (found < 0) {
            RaceClass added = imported;
            if (stageId && imported.courseId)
                added.stageCourseIds = StageMap<QString> {{*stageId, *imported.courseId}};
            race.classes.append(added);
            continue;
        }

        const RaceClass &stored = race.classes[found];
        RaceClass merged = imported;
        merged.id = stored.id;
        if (!sameId(stored.id, imported.id)) {
            idMap.insert(imported.id, stored.id);
            merged.name = stored.name;
        }
        merged.courseFamily = imported.courseFamily ? imported.courseFamily : stored.courseFamily;
        merged.stageCourseIds = stored.stageCourseIds;
        if (stageId && imported.courseId) {
            merged.courseId = stored.courseId;
            if (!merged.stageCourseIds)
                merged.stageCourseIds.emplace();
            merged.stageCourseIds->insert(*stageId, *imported.courseId);
        } else {
            merged.courseId = imported.courseId ? imported.courseId : stored.courseId;
        }
        // Imported lists carry none of the start settings; a field the file leaves out keeps the
        // organiser's value instead of being wiped by a re-import.
        const auto keep = [](auto &field, const auto &storedField) {
            if (!field)
                field = storedField;
        };
        keep(merged.courseIds, stored.courseIds);
        keep(merged.mode, stored.mode);
        keep(merged.lastUsedStartTimeSeconds, stored.lastUsedStartTimeSeconds);
        keep(merged.lastUsedIntervalSeconds, stored.lastUsedIntervalSeconds);
        keep(merged.startMethod, stored.startMethod);
        keep(merged.startWindow, stored.startWindow);
        keep(merged.stageStartMethods, stored.stageStartMethods);
        keep(merged.stageStartWindows, stored.stageStartWindows);
        race.classes[found] = merged;
    }
    return idMap;
}

QList<Participant> remapParticipantClassIds(QList<Participant> participants, const IdMap &idMap)
{
    if (idMap.isEmpty())
        return participants;
    for (Participant &p : participants) {
        if (!p.classId)
            continue;
        auto it = idMap.constFind(*p.classId);
        if (it != idMap.constEnd())
            p.classId = it.value();
    }
    return participants;
}

bool isMissingCardNumber(const QString &cardNumber)
{
    return cardNumber.isEmpty() || cardNumber == u"0";
}

namespace {

QSet<QString> cardNumbersInUse(const Race &race, const QList<Participant> &imported)
{
    QSet<QString> inUse;
    for (const Participant &p : race.participants)
        inUse.insert(p.cardNumber);
    for (const Participant &p : imported)
        inUse.insert(p.cardNumber);
    return inUse;
}

std::optional<QString> importStage(const Race &race)
{
    if (race.stages.isEmpty() || !race.activeStageId)
        return std::nullopt;
    return race.activeStageId;
}

void setStageEntry(
    std::optional<StageMap<QString>> &map, const QString &stageId, const std::optional<QString> &value)
{
    if (!map)
        map.emplace();
    for (auto it = map->begin(); it != map->end();)
        it = sameId(it.key(), stageId) ? map->erase(it) : std::next(it);
    if (value)
        map->insert(stageId, *value);
}

} // namespace

QList<Participant> assignRentalCardNumbers(const Race &race, QList<Participant> imported)
{
    QSet<QString> inUse = cardNumbersInUse(race, imported);
    for (Participant &p : imported) {
        // Vacant places are not imported; they take no number.
        if (!isVacantEntry(p))
            p = nextFreeRentalCardNumber(std::move(p), inUse);
    }
    return imported;
}

Participant nextFreeRentalCardNumber(Participant participant, QSet<QString> &inUse)
{
    if (!isMissingCardNumber(participant.cardNumber))
        return participant;
    for (int n = firstRentalCardNumber; n <= lastRentalCardNumber; ++n) {
        const QString number = QString::number(n);
        if (inUse.contains(number))
            continue;
        participant.cardNumber = number;
        participant.isRentalCard = true;
        inUse.insert(number);
        return participant;
    }
    QString name = participant.givenName + u' ' + participant.familyName;
    static const QRegularExpression edgeBlanks(QStringLiteral("^[ \\t]+|[ \\t]+$"));
    name.remove(edgeBlanks);
    logLine(QStringLiteral(
        "RaceStore: no rent-a-card numbers available (100-200 all in use) \u2014 %1 left with no "
        "card number")
                .arg(name));
    return participant;
}

namespace {

QString fullNameKey(const Participant &p)
{
    return matchKey(p.givenName + u' ' + p.familyName);
}

} // namespace

bool matchesByFullName(const Participant &stored, const Participant &imported)
{
    const QString importedKey = fullNameKey(imported);
    return !importedKey.isEmpty() && fullNameKey(stored) == importedKey;
}

bool isVacantEntry(const Participant &entry)
{
    return isMissingCardNumber(entry.cardNumber) && entry.givenName.trimmed().isEmpty()
        && entry.familyName.trimmed().isEmpty();
}

void applyImportedEntries(Race &race, const QList<Participant> &allImported)
{
    // A vacant place (no name, no card) is nobody to add: kept, it came back on every re-import
    // and took a rental number each time.
    QList<Participant> imported = allImported;
    imported.removeIf(isVacantEntry);
    const std::optional<QString> stageId = importStage(race);
    const qsizetype storedCount = race.participants.size();

    // Match first, against the runners stored before this import; each is claimed at most once,
    // so two entries of one list never land on the same runner. Card matches go first, so a runner
    // found by card is never taken by someone of the same name listed earlier.
    QList<qsizetype> match(imported.size(), -1);
    QList<bool> claimed(storedCount, false);
    QHash<QString, QList<qsizetype>> byCard; // card number -> stored positions, in list order
    for (qsizetype j = 0; j < storedCount; ++j)
        byCard[cardNumberWithoutSpaces(race.participants[j].cardNumber)].append(j);
    for (qsizetype i = 0; i < imported.size(); ++i) {
        if (isMissingCardNumber(imported[i].cardNumber))
            continue;
        // By the digits: a runner stored with a grouped number ("2 000 009") is the same card.
        for (qsizetype j : byCard.value(cardNumberWithoutSpaces(imported[i].cardNumber))) {
            if (!claimed[j]) {
                match[i] = j;
                claimed[j] = true;
                break;
            }
        }
    }
    QHash<QString, QList<qsizetype>> byName; // full-name key -> stored positions, built on demand
    bool namesIndexed = false;
    for (qsizetype i = 0; i < imported.size(); ++i) {
        if (match[i] >= 0)
            continue;
        const QString key = fullNameKey(imported[i]);
        if (key.isEmpty())
            continue;
        if (!namesIndexed) {
            for (qsizetype j = 0; j < storedCount; ++j)
                byName[fullNameKey(race.participants[j])].append(j);
            namesIndexed = true;
        }
        for (qsizetype j : byName.value(key)) {
            if (!claimed[j]) {
                match[i] = j;
                claimed[j] = true;
                break;
            }
        }
    }

    // Rental numbers only for the entries that are really new; every number of the event and of
    // the list counts as taken.
    QSet<QString> inUse = cardNumbersInUse(race, imported);
    for (qsizetype i = 0; i < imported.size(); ++i) {
        const Participant &entry = imported[i];
        if (match[i] >= 0) {
            Participant &stored = race.participants[match[i]];
            stored.givenName = entry.givenName;
            stored.familyName = entry.familyName;
            if (!isMissingCardNumber(entry.cardNumber))
                stored.cardNumber = entry.cardNumber;
            stored.club = entry.club;
            if (stageId) {
                setStageEntry(stored.classIdByStage, *stageId, entry.classId);
                // A runner added by an earlier staged import may lack the base class; the overall
                // standings and the draws select by it.
                if (!stored.classId)
                    stored.classId = entry.classId;
            } else {
                stored.classId = entry.classId;
            }
            continue;
        }
        Participant added = nextFreeRentalCardNumber(entry, inUse);
        // A new runner keeps the imported class as the base class as well: the overall standings,
        // the draws and the clearing of start times select runners by it. The stage entry records
        // the class for this stage even when a later stage's import moves the runner.
        if (stageId)
            setStageEntry(added.classIdByStage, *stageId, added.classId);
        race.participants.append(added);
    }
}

EntryChanges countEntryChanges(const QList<Participant> &before, const QList<Participant> &after)
{
    QHash<QUuid, const Participant *> earlier;
    earlier.reserve(before.size());
    for (const Participant &p : before)
        earlier.insert(p.id, &p);
    EntryChanges changes;
    QSet<QUuid> kept;
    for (const Participant &p : after) {
        const Participant *old = earlier.value(p.id);
        if (!old)
            ++changes.added;
        else if (!(*old == p))
            ++changes.updated;
        kept.insert(p.id);
    }
    for (const Participant &p : before)
        changes.removed += kept.contains(p.id) ? 0 : 1;
    return changes;
}

QList<Participant> withCardNumberDigits(QList<Participant> entries)
{
    // Checked before anything is changed: a refused list leaves the event as it was.
    for (const Participant &p : entries) {
        if (isCardNumberText(p.cardNumber))
            continue;
        QString name = (p.givenName + u' ' + p.familyName).trimmed();
        throw ImportError(
            QStringLiteral("The entry of %1 has the card number \"%2\"; a card number is digits "
                           "only. Correct it in the entry list and import the list again.")
                .arg(name.isEmpty() ? QStringLiteral("a runner without a name") : name.left(100),
                    p.cardNumber.left(32)));
    }
    for (Participant &p : entries)
        p.cardNumber = cardNumberWithoutSpaces(p.cardNumber);
    return entries;
}

void applyEntryList(Race &race, const IOFEntryListParser::Result &list)
{
    const QList<Participant> entries = withCardNumberDigits(list.participants);
    const IdMap classIds = mergeImportedClasses(race, list.classes, std::nullopt);
    applyImportedEntries(race, remapParticipantClassIds(entries, classIds));
}

void applyDownloadedEntries(Race &race, const QByteArray &body, std::optional<int> httpStatus)
{
    if (httpStatus && (*httpStatus < 200 || *httpStatus > 299))
        throw ImportError(QStringLiteral("Server returned status %1").arg(*httpStatus));
    const IOFEntryListParser::Result list = IOFEntryListParser::parse(body);
    applyEntryList(race, list);
}

void downloadEntryList(QNetworkAccessManager &network, const QUrl &url, QObject *context,
    std::function<void(const QByteArray &body, std::optional<int> httpStatus)> onBody,
    std::function<void(const QString &message)> onError)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty()) {
        const QString message = QStringLiteral("Entry lists can only be downloaded from http:// or https:// "
                                               "addresses; \"%1\" is not one.")
                                    .arg(url.toDisplayString());
        // Delivered later like every other outcome, so callers see one behaviour.
        QMetaObject::invokeMethod(
            context, [onError, message] { onError(message); }, Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    // Like a default web client: give up on a connection that stalls for a minute.
    request.setTransferTimeout(60000);
    QNetworkReply *reply = network.get(request);
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(
        reply, &QNetworkReply::downloadProgress, reply, [reply, tooLarge](qint64 received, qint64) {
            if (received > maxEntryListDownloadBytes && !*tooLarge) {
                *tooLarge = true;
                reply->abort();
            }
        });
    QPointer<QNetworkReply> guard(reply);
    auto delivery = std::make_shared<QMetaObject::Connection>();
    *delivery
        = QObject::connect(reply, &QNetworkReply::finished, context, [reply, tooLarge, onBody, onError] {
              reply->deleteLater();
              if (*tooLarge) {
                  onError(QStringLiteral("The entry list is too large (over %1 MB).")
                              .arg(maxEntryListDownloadBytes >> 20));
                  return;
              }
              const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
              const std::optional<int> status
                  = statusAttribute.isValid() ? std::optional<int>(statusAttribute.toInt()) : std::nullopt;
              // A non-2xx answer is the server's verdict, whatever the transport reports alongside it.
              if (status && (*status < 200 || *status > 299)) {
                  onBody(QByteArray(), status);
                  return;
              }
              if (reply->error() != QNetworkReply::NoError) {
                  onError(QStringLiteral("Could not download the entry list: %1").arg(reply->errorString()));
                  return;
              }
              onBody(reply->readAll(), status);
          });
    // A receiver that goes away cancels the request. `destroyed` comes before the receiver's own
    // connections are cut, so the delivery is cut first: the abort must not reach it.
    QObject::connect(context, &QObject::destroyed, reply, [guard, delivery] {
        QObject::disconnect(*delivery);
        if (guard) {
            guard->abort();
            guard->deleteLater();
        }
    });
}

void importEntries(QNetworkAccessManager &network, const QUrl &url, QObject *context,
    std::function<Race *()> race, std::function<void()> save,
    std::function<void(const std::optional<QString> &error)> done)
{
    downloadEntryList(
        network, url, context,
        [race, save, done](const QByteArray &body, std::optional<int> status) {
            Race *target = race ? race() : nullptr;
            if (!target)
                return;
            try {
                applyDownloadedEntries(*target, body, status);
            } catch (const ImportError &e) {
                if (done)
                    done(e.message());
                return;
            }
            if (save)
                save();
            if (done)
                done(std::nullopt);
        },
        [done](const QString &message) {
            if (done)
                done(message);
        });
}
