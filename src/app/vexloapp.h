#pragma once

// The application: builds the long-lived objects (store, reader, language, view-models), hands
// them to the main window and keeps them until the process ends. main.cpp and the UI tests build
// it the same way.

#include "cardreaderviewmodel.h"
#include "contentviewmodel.h"
#include "languagepickerviewmodel.h"
#include "neweventsetupviewmodel.h"
#include "racedaydesk.h"
#include "receiptsettings.h"
#include "savestatus.h"
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
    // Owns `store` and `reader` for the life of the process; both are handed to the screens. The
    // reader is connected when the window is first shown.
    VexloApp(std::unique_ptr<ShellStore> store, std::unique_ptr<CardReaderViewModel> reader,
        QObject *parent = nullptr);
    ~VexloApp() override;

    // Loads the main window; false when it could not be created.
    [[nodiscard]] bool start();

    [[nodiscard]] QQmlApplicationEngine &engine() { return m_engine; }
    [[nodiscard]] QQuickWindow *window() const;
    [[nodiscard]] ContentViewModel &content() { return m_content; }
    [[nodiscard]] NewEventSetupViewModel &newEvent() { return *m_newEvent; }
    [[nodiscard]] LanguagePickerViewModel &languagePicker() { return m_languagePicker; }
    [[nodiscard]] ReceiptSettings &receiptSettings() { return m_receiptSettings; }
    [[nodiscard]] SaveStatus &saveStatus() { return m_saveStatus; }
    [[nodiscard]] ShellStore &store() { return *m_store; }
    [[nodiscard]] CardReaderViewModel &reader() { return *m_reader; }
    // Null when the store records no card reads.
    [[nodiscard]] RaceDayDesk *raceDay() { return m_raceDay.get(); }
    [[nodiscard]] ReceiptPrinter &receiptPrinter() { return m_receiptPrinter; }

    // Opens the event file at `path` as Open does (the same checks and messages); what went
    // wrong is said in the window, whose event then stays as it was.
    void openEventFile(const QString &path);
    // Shows the window and asks the desktop to bring it to the front.
    void comeToFront();

    // The window's appear action: lists the serial ports, auto-connects to a positively
    // identified reader and installs the card-read handling. Runs once, when the window is first
    // shown.
    void connectReaderOnAppear();

private:
    void storeChanged();

    std::unique_ptr<ShellStore> m_store;
    std::unique_ptr<CardReaderViewModel> m_reader;
    ContentViewModel m_content;
    std::unique_ptr<NewEventSetupViewModel> m_newEvent;
    LanguagePickerViewModel m_languagePicker;
    AppTranslator m_translator;
    ReceiptSettings m_receiptSettings;
    SaveStatus m_saveStatus;
    ReceiptPrinter m_receiptPrinter;
    // After the reader and the store: it is gone before either, and unhooks itself from the reader.
    std::unique_ptr<RaceDayDesk> m_raceDay;
    QQmlApplicationEngine m_engine;
    bool m_appeared = false;
};
