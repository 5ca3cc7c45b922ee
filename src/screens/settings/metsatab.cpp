#include "metsatab.h"

#include "localization.h"
#include "metsapublisher.h"
#include "racestore.h"

PublishingTabViewModel::Service MetsaTabViewModel::serviceOf(RaceStore &store) const
{
    MetsaPublisher *publisher = store.metsaPublisher();
    return {store.metsaSettings(), publisher, [publisher](const Race &race) { publisher->publishNow(race); }};
}

QString MetsaTabViewModel::descriptionText() const
{
    // clang-format off
    return localized(QStringLiteral("Publishes results to %@ in the background, batched every few minutes, as an IOF XML result-list upload. Requires the competition id and password shown on your competition's %@ page."),
        MetsaSettings::serviceHost, MetsaSettings::serviceHost);
    // clang-format on
}

QString MetsaTabViewModel::setupHeading() const
{
    return localized(QStringLiteral("Setting up a competition on %@"), MetsaSettings::serviceHost);
}

QString MetsaTabViewModel::setupFirstStep() const
{
    return localized(
        QStringLiteral(
            "1. Go to %@/organiser and click \"Create competition\" — no account or install needed."),
        MetsaSettings::serviceHost);
}

QString MetsaTabViewModel::organiserLinkText() const
{
    return localized(QStringLiteral("Open %@/organiser"), MetsaSettings::serviceHost);
}

QUrl MetsaTabViewModel::organiserUrl() const
{
    return QUrl(QStringLiteral("https://") + MetsaSettings::serviceHost + QStringLiteral("/organiser"));
}
