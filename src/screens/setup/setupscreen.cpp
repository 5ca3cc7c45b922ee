#include "setupscreen.h"

#include "racestore.h"
#include "setuplists.h"

bool SetupScreen::showsStagePicker() const
{
    return store() && !store()->race().stages.isEmpty();
}

QVariantList SetupScreen::stageOptions() const
{
    return store() ? stagePickerRows(store()->race()) : QVariantList();
}

QString SetupScreen::activeStageId() const
{
    return store() ? store()->race().activeStageId.value_or(QString()) : QString();
}

void SetupScreen::selectStage(const QString &stageId)
{
    if (!store() || stageId.isEmpty())
        return;
    Race race = store()->race();
    race.activeStageId = stageId;
    store()->setRace(race);
    store()->autosave();
}
