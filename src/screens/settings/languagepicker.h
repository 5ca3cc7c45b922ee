#pragma once

// The language picker: "English" and "Dansk", bound to the process-wide language.

#include "localization.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class LanguagePickerViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // "English", "Dansk": never translated.
    Q_PROPERTY(QStringList options READ options CONSTANT)
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY languageChanged)
    Q_PROPERTY(QString languageCode READ languageCode NOTIFY languageChanged)
    Q_PROPERTY(bool takesFocus READ takesFocus CONSTANT)

public:
    // Null: the shared manager.
    explicit LanguagePickerViewModel(LocalizationManager *manager = nullptr, QObject *parent = nullptr);

    [[nodiscard]] QStringList options() const;
    [[nodiscard]] int currentIndex() const;
    [[nodiscard]] QString languageCode() const;
    // Picks the language at `index` (a pick persists at once); the current one writes nothing.
    // With `holdsFocus` (the keyboard was on the picker) the picker of the view rebuilt in the new
    // language takes the keyboard back.
    Q_INVOKABLE void pick(int index, bool holdsFocus = false);
    // True only while a pick that held the keyboard is applied: the rebuilt picker takes it.
    [[nodiscard]] bool takesFocus() const;

signals:
    void languageChanged();
    // Another language is picked, told just before it is applied (and the window's content
    // rebuilt in it).
    void picking();

private:
    QPointer<LocalizationManager> m_manager;
};
