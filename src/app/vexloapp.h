#pragma once

// The application: builds the long-lived objects (store, reader, language, view-models), hands
// them to the main window and keeps them until the process ends. main.cpp and the UI tests build
// it the same way.

#include "contentviewmodel.h"
#include "languagepickerviewmodel.h"
#include "neweventsetupviewmodel.h"
#include "receiptsettings.h"
#include "shellstore.h"

#include <QObject>
#include <QQmlApplicationEngine>
#include <QUrl>

#include <functional>
#include <memory>

class QQuickWindow;

// The QML file of a section's screen; empty for sections without one yet.
[[nodiscard]] QUrl defaultDetailScreen(SidebarItem item);

class VexloApp : public QObject
{
    Q_OBJECT
public:
    // `store` is owned by the application. `reader` (may be null) is handed to the screens; the
    // window connects it when first shown.
    VexloApp(std::unique_ptr<ShellStore> store, QObject *reader, QObject *parent = nullptr);
    ~VexloApp() override;

    // Loads the main window; false when it could not be created.
    [[nodiscard]] bool start();

    [[nodiscard]] QQmlApplicationEngine &engine() { return m_engine; }
    [[nodiscard]] QQuickWindow *window() const;
    [[nodiscard]] ContentViewModel &content() { return m_content; }
    [[nodiscard]] NewEventSetupViewModel &newEvent() { return *m_newEvent; }
    [[nodiscard]] LanguagePickerViewModel &languagePicker() { return m_languagePicker; }
    [[nodiscard]] ReceiptSettings &receiptSettings() { return m_receiptSettings; }
    [[nodiscard]] ShellStore &store() { return *m_store; }

    // Runs once when the window is first shown (the reader's port listing and auto-connect).
    std::function<void()> connectReaderOnAppear;

private:
    void storeChanged();

    std::unique_ptr<ShellStore> m_store;
    QObject *m_reader;
    ContentViewModel m_content;
    std::unique_ptr<NewEventSetupViewModel> m_newEvent;
    LanguagePickerViewModel m_languagePicker;
    AppTranslator m_translator;
    ReceiptSettings m_receiptSettings;
    QQmlApplicationEngine m_engine;
    bool m_appeared = false;
};
