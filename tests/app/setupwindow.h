#pragma once

// The real main window over a private store, offscreen, for the set-up screen tests: clicks and
// keys on the controls found by object name, and screenshots at the window's minimum size.

#include "apptesting.h"
#include "localization.h"
#include "racestoreshell.h"
#include "storeharness.h"
#include "vexloapp.h"

#include <QKeyEvent>

class SetupWindow
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
        if (!app->start() || !QTest::qWaitForWindowExposed(app->window()))
            return false;
        window = app->window();
        // The smallest window the shell allows: every text must fit there.
        window->resize(window->minimumSize().expandedTo(QSize(900, 600)));
        return true;
    }

    [[nodiscard]] QQuickItem *item(const QString &name) const { return findVisibleItem(window, name); }
    // The first visible item named `name` inside the visible item named `parentName`.
    [[nodiscard]] QQuickItem *itemIn(const QString &parentName, const QString &name) const
    {
        QQuickItem *parent = item(parentName);
        if (!parent)
            return nullptr;
        QList<QQuickItem *> pending = parent->childItems();
        while (!pending.isEmpty()) {
            QQuickItem *i = pending.takeFirst();
            if (i->isVisible() && i->objectName() == name)
                return i;
            pending.append(i->childItems());
        }
        return nullptr;
    }

    void click(QQuickItem *target) const
    {
        QVERIFY(target);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }
    // The enabled item with this object name, or failing that with this text, once it shows.
    void click(const QString &name) const
    {
        QQuickItem *target = nullptr;
        QTRY_VERIFY2((target = findVisibleItem(window,
                          [&](QQuickItem *i) {
                              return i->isEnabled()
                                  && (i->objectName() == name || i->property("text").toString() == name);
                          })),
            qPrintable(name));
        click(target);
    }

    // Replaces the field's text by typing, any character.
    void typeInto(QQuickItem *field, const QString &text) const
    {
        click(field);
        QTRY_VERIFY(field->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Backspace);
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(window, &press);
            QCoreApplication::sendEvent(window, &release);
        }
    }
    void typeInto(const QString &name, const QString &text) const
    {
        QQuickItem *field = nullptr;
        QTRY_VERIFY2((field = item(name)), qPrintable(name));
        typeInto(field, text);
    }

    StoreHarness harness;
    RaceStore *store = nullptr;
    std::unique_ptr<VexloApp> app;
    QQuickWindow *window = nullptr;
};
