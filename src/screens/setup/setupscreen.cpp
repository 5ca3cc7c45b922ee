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

QString SetupScreen::shownStageId() const
{
    return store() ? shownStage(store()->race()).value_or(QString()) : QString();
}

void SetupScreen::selectStage(const QString &stageId)
{
    if (!store() || stageId.isEmpty())
        return;
    store()->setShownStage(stageId);
}
