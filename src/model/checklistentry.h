#pragma once

#include <QString>

#include <optional>

// One check-in entry pulled from the check-in service.
struct ChecklistEntry
{
    QString id;
    QString sportident;
    QString startStatus;
    bool hasNewSportident = false;
    std::optional<QString> newSportident;
};
