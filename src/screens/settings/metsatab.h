#pragma once

// The Metsä tab of the advanced-settings screen: the live-results tab of the Metsä service, with
// the texts that name its host.

#include "publishingtab.h"

#include <QUrl>

class MetsaTabViewModel : public PublishingTabViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *raceStore READ storeObject WRITE setStoreObject NOTIFY changed)
    // The texts that name the service's host, in the selected language.
    Q_PROPERTY(QString descriptionText READ descriptionText NOTIFY changed)
    Q_PROPERTY(QString setupHeading READ setupHeading NOTIFY changed)
    Q_PROPERTY(QString setupFirstStep READ setupFirstStep NOTIFY changed)
    Q_PROPERTY(QString organiserLinkText READ organiserLinkText NOTIFY changed)
    Q_PROPERTY(QUrl organiserUrl READ organiserUrl CONSTANT)

public:
    explicit MetsaTabViewModel(QObject *parent = nullptr)
        : PublishingTabViewModel(parent)
    { }

    [[nodiscard]] QString descriptionText() const;
    [[nodiscard]] QString setupHeading() const;
    [[nodiscard]] QString setupFirstStep() const;
    [[nodiscard]] QString organiserLinkText() const;
    [[nodiscard]] QUrl organiserUrl() const;

protected:
    [[nodiscard]] Service serviceOf(RaceStore &store) const override;
};
