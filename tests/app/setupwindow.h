#pragma once

// The real main window over a private store, offscreen, for the set-up screen tests, sized to the
// window's minimum.

#include "localization.h"
#include "racestoreshell.h"
#include "storeharness.h"
#include "vexloapp.h"
#include "windowdriver.h"

class SetupWindow : public WindowDriver
{
public:
    explicit SetupWindow(const Race &race)
    {
        harness.backgroundAutosave = false;
        auto store = harness.makeStore(race);
        this->store = store.get();
        app = std::make_unique<VexloApp>(
            std::make_unique<RaceStoreShell>(std::move(store)), std::make_unique<CardReaderViewModel>());
    }

    [[nodiscard]] bool start()
    {
        if (!app->start() || !QTest::qWaitForWindowExposed(app->window(), testwaits::ceilingMs))
            return false;
        window = app->window();
        // The smallest window the shell allows: every text must fit there.
        window->resize(window->minimumSize().expandedTo(QSize(900, 600)));
        return true;
    }

    StoreHarness harness;
    RaceStore *store = nullptr;
    std::unique_ptr<VexloApp> app;
};
