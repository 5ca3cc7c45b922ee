#pragma once

// Checks every window test can run on whatever screen or sheet it shows: texts cut off at the
// current window size, and the controls the keyboard reaches with Tab.

#include "testwaits.h"

#include <QQmlEngine>
#include <QQmlIncubationController>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QStringList>
#include <QTest>

#include <algorithm>

namespace uichecks {

// No opening transition runs on the item any more: every ancestor fully shown at full size.
inline bool settled(QQuickItem *item)
{
    for (; item; item = item->parentItem()) {
        if (item->opacity() < 1 || item->scale() != 1)
            return false;
    }
    return true;
}

// Views make the rows just beyond what they show a slice of time per frame: such a row is in the
// scene, visible, from its first slice on, but its layouts run only once it is whole (on a slow
// run that takes several frames). True once the window's engine makes no item any more.
inline bool itemsMade(QQuickWindow *window)
{
    const QQmlEngine *engine = qmlEngine(window);
    const QQmlIncubationController *controller = engine ? engine->incubationController() : nullptr;
    return !controller || controller->incubatingObjectCount() == 0;
}

// Runs the event loop until itemsMade(); false when that takes longer than `ms`. A check of the
// screen waits for this, then for a polish (a grab does one).
inline bool waitForItemsMade(QQuickWindow *window, int ms = testwaits::ceilingMs)
{
    return QTest::qWaitFor([&] { return itemsMade(window); }, ms);
}

// The popups of the window (menus, sheets, dialogs; tool tips, which follow the pointer, left
// out) that are on screen or on their way there or out.
inline QList<QObject *> shownPopups(QQuickWindow *window)
{
    QList<QObject *> shown;
    for (QObject *object : window->findChildren<QObject *>()) {
        if (object->inherits("QQuickPopup") && !object->inherits("QQuickToolTip")
            && object->property("visible").toBool())
            shown.append(object);
    }
    return shown;
}

// The popup named `name` once it is fully open (no opening transition left), else null.
inline QObject *openPopup(QQuickWindow *window, const QString &name)
{
    for (QObject *popup : shownPopups(window)) {
        if (popup->objectName() == name && popup->property("opened").toBool())
            return popup;
    }
    return nullptr;
}

// Every popup on screen fully open, none opening or closing.
inline bool popupsAtRest(QQuickWindow *window)
{
    const QList<QObject *> shown = shownPopups(window);
    return std::all_of(
        shown.cbegin(), shown.cend(), [](QObject *p) { return p->property("opened").toBool(); });
}

// Every visible item below `root`, depth first.
inline QList<QQuickItem *> visibleItems(QQuickItem *root)
{
    QList<QQuickItem *> found;
    QList<QQuickItem *> pending {root};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        if (!item->isVisible() || item->opacity() == 0)
            continue;
        found.append(item);
        const QList<QQuickItem *> children = item->childItems();
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            pending.prepend(*it);
    }
    return found;
}

// The Text items (Label included) Qt Quick reports as truncated, as "objectName: text" lines.
// Items whose objectName is in `mayElide` are declared eliding fields: a tooltip or another
// panel shows their text whole.
inline QStringList truncatedTexts(QQuickWindow *window, const QSet<QString> &mayElide = {})
{
    QStringList cut;
    for (QQuickItem *item : visibleItems(window->contentItem())) {
        if (!item->inherits("QQuickText") || mayElide.contains(item->objectName()))
            continue;
        if (item->property("truncated").toBool())
            cut.append(item->objectName() + QStringLiteral(": ") + item->property("text").toString());
    }
    return cut;
}

// How far an open menu or sheet keeps from the window's edges, and a text from a scroll bar.
inline constexpr qreal edgeClearance = 4;

// Crowded layouts, as "objectName: text" lines: an open popup (menu, sheet) reaching the window's
// edge, and a text touching or under a visible vertical scroll bar.
inline QStringList crowdedItems(QQuickWindow *window)
{
    QStringList crowded;
    const QRectF inside = QRectF(QPointF(0, 0), QSizeF(window->size()))
                              .adjusted(edgeClearance, edgeClearance, -edgeClearance, -edgeClearance);
    const auto nameOf = [](QQuickItem *item) {
        return item->objectName().isEmpty() ? QString::fromLatin1(item->metaObject()->className())
                                            : item->objectName();
    };
    const QList<QQuickItem *> items = visibleItems(window->contentItem());
    // Each bar with the view it scrolls: only that view's texts can run under it.
    QList<std::pair<QRectF, QQuickItem *>> bars;
    for (QQuickItem *item : items) {
        const QRectF rect = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        if (item->inherits("QQuickPopupItem") && rect.width() > 0 && !inside.contains(rect))
            crowded.append(nameOf(item) + QStringLiteral(": reaches the window's edge"));
        // A bar that is drawn: always shown, or shown now (an as-needed bar that is not active
        // is not painted).
        const bool drawn = item->property("policy").toInt() == 2 || item->property("active").toBool();
        if (item->inherits("QQuickScrollBar") && item->property("orientation").toInt() == Qt::Vertical
            && drawn && rect.width() > 0 && item->parentItem())
            bars.append({rect, item->parentItem()});
    }
    for (QQuickItem *item : items) {
        if (!item->inherits("QQuickText") || item->property("text").toString().isEmpty())
            continue;
        // The painted text, not the item: a label may be wider than what it draws.
        const qreal painted = std::min(item->width(), item->property("contentWidth").toReal());
        const qreal left
            = item->property("horizontalAlignment").toInt() & Qt::AlignRight ? item->width() - painted : 0;
        const QRectF rect = item->mapRectToScene(QRectF(left, 0, painted, item->height()));
        for (const auto &[bar, view] : bars) {
            if (view->isAncestorOf(item) && rect.top() < bar.bottom() && rect.bottom() > bar.top()
                && rect.right() > bar.left() - 2 && rect.left() < bar.right())
                crowded.append(nameOf(item) + QStringLiteral(": ") + item->property("text").toString()
                    + QStringLiteral(" touches a scroll bar"));
        }
    }
    return crowded;
}

// The items Tab stops at, from the current focus, once round: Tab is pressed until the focus
// comes back to where it started (or `limit` presses).
inline QList<QQuickItem *> tabCycle(QQuickWindow *window, int limit = 200)
{
    QList<QQuickItem *> cycle;
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(window, Qt::Key_Tab);
        QQuickItem *focus = window->activeFocusItem();
        if (!focus || (!cycle.isEmpty() && focus == cycle.first()))
            break;
        cycle.append(focus);
    }
    return cycle;
}

// The visible, enabled controls below `root` that take the focus from Tab.
inline QList<QQuickItem *> tabControls(QQuickItem *root)
{
    QList<QQuickItem *> controls;
    for (QQuickItem *item : visibleItems(root)) {
        if (item->activeFocusOnTab() && item->isEnabled())
            controls.append(item);
    }
    return controls;
}

// Reading order on screen: top to bottom, then left to right (rows within 4 px count as one line).
inline void sortByPosition(QList<QQuickItem *> &items)
{
    std::stable_sort(items.begin(), items.end(), [](QQuickItem *a, QQuickItem *b) {
        const QPointF pa = a->mapToScene({0, 0});
        const QPointF pb = b->mapToScene({0, 0});
        if (std::abs(pa.y() - pb.y()) > 4)
            return pa.y() < pb.y();
        return pa.x() < pb.x();
    });
}

// Types `text` (Latin-1) into the window's focused item, key by key (QTest::keyClicks takes
// widgets only).
inline void typeText(QWindow *window, const QString &text)
{
    for (QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

inline QString describe(const QList<QQuickItem *> &items)
{
    QStringList names;
    for (QQuickItem *item : items)
        names.append(item->objectName().isEmpty() ? QString::fromLatin1(item->metaObject()->className())
                                                  : item->objectName());
    return names.join(QStringLiteral(", "));
}

} // namespace uichecks
