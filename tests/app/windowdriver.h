#pragma once

// Mouse and keys on the real main window, for the window tests: items found by object name (only
// visible ones count), clicks at their centre, text typed as key presses, and the check every
// window test makes of each screen it shows: a screenshot, and no text cut off. Also the keys on
// the file dialogs, which are windows of their own.

#include "apptesting.h"
#include "localization.h"
#include "uichecks.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

struct WindowDriver
{
    [[nodiscard]] QQuickItem *item(const QString &name) const { return findVisibleItem(window, name); }
    // The first visible item named `name` inside the visible item named `parentName`.
    [[nodiscard]] QQuickItem *itemIn(const QString &parentName, const QString &name) const
    {
        return findVisibleChild(item(parentName), name);
    }

    // A property of the visible item `name`; invalid while none shows, so that a wait for its
    // value goes on while the item is being replaced.
    [[nodiscard]] QVariant valueOf(const QString &name, const char *property) const
    {
        QQuickItem *found = item(name);
        return found ? found->property(property) : QVariant();
    }
    // Whether the visible item `name` holds the keyboard (false while none shows).
    [[nodiscard]] bool hasFocus(const QString &name) const
    {
        QQuickItem *found = item(name);
        return found && found->hasActiveFocus();
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

    // The screen at rest and laid out (see settle()).
    void settle() const { ::settle(window); }

    // Screenshot `name` once the screen is at rest, every text whole but those of `mayElide`, no
    // open menu or sheet at the window's edge and no text under a scroll bar.
    void shot(const QString &name) const
    {
        shoot(window, name);
        const QStringList cut = uichecks::truncatedTexts(window, mayElide) + uichecks::crowdedItems(window);
        QVERIFY2(cut.isEmpty(), qPrintable(name + QStringLiteral(": ") + cut.join(u'\n')));
    }

    QQuickWindow *window = nullptr;
    // Fields that elide on purpose: a tooltip or another panel shows their text whole.
    QSet<QString> mayElide;
};

// The file dialogs are Qt Widgets' own windows beside the main window. The one named `name` once
// it shows (null when none does before the tests' bound).
inline QPointer<QFileDialog> waitForFileDialog(const QString &name)
{
    QPointer<QFileDialog> found;
    (void)QTest::qWaitFor(
        [&] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QFileDialog *>(top);
                if (dialog && dialog->isVisible() && dialog->objectName() == name)
                    found = dialog;
            }
            return !found.isNull();
        },
        testwaits::ceilingMs);
    return found;
}

// The dialog's name field.
inline QLineEdit *fileNameField(QFileDialog *dialog)
{
    return dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
}

// A key pressed on the dialog's window: it reaches whatever holds the keyboard there, as a key
// pressed by the organiser would.
inline void pressInDialog(QWidget *dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QVERIFY(dialog && dialog->windowHandle());
    QTest::keyClick(dialog->windowHandle(), key, modifiers);
}

// Types `text` into the dialog's name field, key by key, over whatever it has selected; the
// field must hold the keyboard first.
inline void typeInFileDialog(QFileDialog *dialog, const QString &text)
{
    QVERIFY(dialog && dialog->windowHandle());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(fileNameField(dialog)));
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(dialog->windowHandle(), &press);
        QCoreApplication::sendEvent(dialog->windowHandle(), &release);
    }
}

// What the organiser does most: types a name (or a path) into the name field over what it
// proposes and presses Return. The dialog closes.
inline void typeNameAndReturn(QFileDialog *dialog, const QString &text)
{
    QVERIFY(dialog);
    const QPointer<QFileDialog> open = dialog;
    pressInDialog(dialog, Qt::Key_A, Qt::ControlModifier);
    typeInFileDialog(dialog, text);
    pressInDialog(dialog, Qt::Key_Return);
    QTRY_VERIFY2(!open || !open->isVisible(), qPrintable(text));
}

// What a window test runs under: English as the shared language (the test picks Danish in the
// window) and every QML warning collected for verifyNoQmlProblems().
struct WindowTestScope
{
    WindowTestScope() { LocalizationManager::setShared(&language); }
    ~WindowTestScope() { LocalizationManager::setShared(nullptr); }
    QmlProblemCollector qml;
    LocalizationManager language {QStringList {QStringLiteral("en-US")}};
};

// The rows of a window test run in each language: "en" and "da", with the index the language
// picker takes.
inline void addLanguageRows()
{
    QTest::addColumn<int>("languageIndex");
    QTest::newRow("en") << 0;
    QTest::newRow("da") << 1;
}

// Fails the test when QML or JavaScript reported a warning since the last call.
inline void verifyNoQmlProblems()
{
    const QStringList problems = std::exchange(QmlProblemCollector::problems(), {});
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}
