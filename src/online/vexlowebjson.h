#pragma once

// The JSON of the Vexlo Web API: the events request body and the two answers the clients read.
// Decoding is strict about the members the clients rely on and ignores every other member; a
// failure names the member or the place in the text, never the values (they can hold keys).

#include "checklistentry.h"
#include "vexlowebclients.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct EventsRequest
{
    QString apiKey;
    QString name;
    std::optional<QDateTime> eventDate;
    std::optional<QString> eventId;
    bool rotateChecklistKey = false;
};

// Compact, members in the order eventId, name, eventDate, rotateChecklistKey; absent ones are
// left out (never null). The date is the calendar day in the machine's time zone.
[[nodiscard]] QByteArray eventsRequestBody(const EventsRequest &request);

// On failure `error` gets the description.
[[nodiscard]] std::optional<VexloWebEvent> decodeVexloWebEvent(const QByteArray &body, QString *error);
[[nodiscard]] std::optional<QList<ChecklistEntry>> decodeChecklistEntries(
    const QByteArray &body, QString *error);
