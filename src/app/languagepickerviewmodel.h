#pragma once

// The application side of a language change (the picker is the settings screen's): the Qt translator that
// QML's qsTranslate() reads is swapped and every open screen is retranslated.

#include "languagepicker.h"
#include "localization.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTranslator>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <vector>

class QQmlEngine;

// Keeps the application's installed translators and its locale (dates, month and weekday names,
// numbers) on the selected language and, when it changes, retranslates the QML engine (literal
// texts) after the manager's own signal reached the view-models (texts built in code).
class AppTranslator : public QObject
{
    Q_OBJECT
public:
    explicit AppTranslator(LocalizationManager *manager, QObject *parent = nullptr);
    ~AppTranslator() override;

    void setEngine(QQmlEngine *engine);
    // The table of `code` as a .qm resource path.
    [[nodiscard]] static QString tablePath(const QString &code);
    // Whether Qt's own tables for the selected language are installed (none is needed for English).
    [[nodiscard]] bool hasQtTable() const { return !m_qtTranslators.empty(); }

private:
    void install();

    QPointer<LocalizationManager> m_manager;
    QPointer<QQmlEngine> m_engine;
    std::unique_ptr<QTranslator> m_translator;
    // Qt's own texts in the selected language: its widgets, the file and print dialogs among
    // them, and system errors (qtbase) and the Qt Quick controls (qtdeclarative).
    std::vector<std::unique_ptr<QTranslator>> m_qtTranslators;
};
