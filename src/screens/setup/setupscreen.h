#pragma once

// What the classes and courses screens share: a view-model over the store whose stage picker
// shows once the event has stages. Its choice is the stage these screens show (the store's shown
// stage); card reads stay on the active stage.

#include "storeviewmodel.h"

#include <QObject>
#include <QString>
#include <QVariantList>

class SetupScreen : public StoreViewModel
{
    Q_OBJECT

public:
    using StoreViewModel::StoreViewModel;

    [[nodiscard]] bool showsStagePicker() const;
    [[nodiscard]] QVariantList stageOptions() const;
    [[nodiscard]] QString shownStageId() const;

    Q_INVOKABLE void selectStage(const QString &stageId);
};
