#pragma once

// Shared set-up of the application-shell tests: private settings, and for the offscreen window
// tests a QML-warning collector, screenshots into the build folder and a visible-item lookup.

#include "uichecks.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQmlListReference>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <functional>

// Settings in the test-mode folders under this program's own name, emptied.
inline void useTestSettings(const char *application)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VexloTest"));
    QCoreApplication::setApplicationName(QString::fromLatin1(application));
    QSettings().clear();
}

// Every warning or error QML or JavaScript reports while installed; the test fails on any.
class QmlProblemCollector
{
public:
    QmlProblemCollector() { s_previous = qInstallMessageHandler(collect); }
    ~QmlProblemCollector() { qInstallMessageHandler(s_previous); }
    static QStringList &problems()
    {
        static QStringList list;
        return list;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        const QString category = QString::fromLatin1(context.category ? context.category : "");
        const bool fromQml = category.startsWith(QLatin1String("qml"))
            || category.startsWith(QLatin1String("js")) || message.contains(QLatin1String("qrc:"))
            || message.contains(QLatin1String(".qml"))
            || QString::fromLatin1(context.file ? context.file : "").endsWith(QLatin1String(".qml"));
        if (type != QtDebugMsg && type != QtInfoMsg && fromQml)
            problems().append(message);
        if (s_previous)
            s_previous(type, context, message);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

// The first visible item below the window's content that matches. Screens replaced in the detail
// pane are deleted later, so only a visible item counts.
inline QQuickItem *findVisibleItem(QQuickWindow *window, const std::function<bool(QQuickItem *)> &matches)
{
    QList<QQuickItem *> pending = {window->contentItem()};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeLast();
        if (item->isVisible() && matches(item))
            return item;
        pending.append(item->childItems());
    }
    return nullptr;
}

inline QQuickItem *findVisibleItem(QQuickWindow *window, const QString &objectName)
{
    return findVisibleItem(window, [&](QQuickItem *item) { return item->objectName() == objectName; });
}

// The nearest visible item named `name` below `parent` (none when `parent` is null).
inline QQuickItem *findVisibleChild(QQuickItem *parent, const QString &name)
{
    QList<QQuickItem *> pending = parent ? parent->childItems() : QList<QQuickItem *>();
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        if (item->isVisible() && item->objectName() == name)
            return item;
        pending.append(item->childItems());
    }
    return nullptr;
}

// The card-read toast where its fade in or out ends: fully shown while it is to show, gone
// otherwise (true when the window has none).
inline bool toastAtRest(QQuickWindow *window)
{
    auto *toast = window->contentItem()->findChild<QQuickItem *>(QStringLiteral("cardReadToast"));
    if (!toast)
        return true;
    const bool shown = toast->property("shown").toBool();
    const QQmlListReference transforms(toast, "transform");
    const QObject *slide = transforms.count() > 0 ? transforms.at(0) : nullptr;
    return toast->opacity() == (shown ? 1 : 0)
        && (!slide || slide->property("x").toReal() == (shown ? 0 : 40));
}

// Nothing on the screen still on its way: every item made, every popup open or closed and the
// toast done fading.
inline bool screenAtRest(QQuickWindow *window)
{
    return uichecks::itemsMade(window) && uichecks::popupsAtRest(window) && toastAtRest(window);
}

// Waits for the screen at rest, then lays it out as drawn (a grab polishes every item still to be
// laid out): what is measured next is what the organiser sees.
inline void settle(QQuickWindow *window)
{
    QCoreApplication::processEvents();
    QVERIFY2(QTest::qWaitFor([&] { return screenAtRest(window); }, testwaits::ceilingMs),
        "the screen did not come to rest");
    (void)window->grabWindow();
}

#ifdef VEXLO_SCREENSHOT_DIR
// Saves the window as <name>.png in the screenshot folder of the build once the screen is at
// rest (the grab then lays out everything, and the checks made after it see the screen as shown).
inline void shoot(QQuickWindow *window, const QString &name)
{
    QCoreApplication::processEvents();
    QVERIFY2(QTest::qWaitFor([&] { return screenAtRest(window); }, testwaits::ceilingMs),
        qPrintable(name + QStringLiteral(": the screen did not come to rest")));
    QDir().mkpath(QStringLiteral(VEXLO_SCREENSHOT_DIR));
    const QImage image = window->grabWindow();
    QVERIFY(!image.isNull());
    QVERIFY(image.save(QStringLiteral(VEXLO_SCREENSHOT_DIR "/%1.png").arg(name)));
}

// Saves a widget window (a file dialog) as <name>.png in the same folder.
inline void shootWidget(QWidget *widget, const QString &name)
{
    QVERIFY(widget);
    QCoreApplication::processEvents();
    QDir().mkpath(QStringLiteral(VEXLO_SCREENSHOT_DIR));
    QVERIFY(widget->grab().save(QStringLiteral(VEXLO_SCREENSHOT_DIR "/%1.png").arg(name)));
}
#endif
