#pragma once

// The rule-based generation dialog and its progress sheet. The three settings, the coupling of
// the start period and the runners per slot, the check of the settings before a run, and the run
// itself: the plan is computed from a copy of the race on a worker thread, so the window keeps
// drawing over a large event, and applied on the main thread as one change of the store (one
// autosave). A run that cannot start leaves the plan as it is and says why in the dialog.

#include "startgenerator.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QThread;

// What stops a run before it starts, as the message the dialog shows (a localisation key with
// its arguments); absent when the settings can run. `firstStart` is the typed first start placed
// on the start-list day (absent when unreadable).
struct GenerationProblem
{
    QString key;
    QStringList arguments;
};
[[nodiscard]] std::optional<GenerationProblem> generationProblem(const QString &firstStartText,
    const std::optional<QDateTime> &firstStart, int windowMinutes, int slotCapacity, int minSpacingMinutes);

class StartGenerationDialog : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    // The fixed-interval dialog's first start, which is also the start of the period.
    Q_PROPERTY(QString firstStartText READ firstStartText WRITE setFirstStartText NOTIFY fieldsChanged)
    Q_PROPERTY(int windowMinutes READ windowMinutes WRITE setWindowMinutes NOTIFY fieldsChanged)
    Q_PROPERTY(int slotCapacity READ slotCapacity WRITE setSlotCapacity NOTIFY fieldsChanged)
    Q_PROPERTY(int minSpacingMinutes READ minSpacingMinutes WRITE setMinSpacingMinutes NOTIFY fieldsChanged)
    Q_PROPERTY(bool showingDialog READ showingDialog NOTIFY stateChanged)
    Q_PROPERTY(bool showingProgress READ showingProgress NOTIFY stateChanged)
    Q_PROPERTY(bool running READ running NOTIFY stateChanged)
    // Why "Generate" did not start; empty otherwise. Localised.
    Q_PROPERTY(QString problem READ problem NOTIFY stateChanged)
    Q_PROPERTY(QString runningCaption READ runningCaption NOTIFY stateChanged)
    Q_PROPERTY(QString resultTitle READ resultTitle NOTIFY stateChanged)
    Q_PROPERTY(QString assignedText READ assignedText NOTIFY stateChanged)
    Q_PROPERTY(QStringList warnings READ warnings NOTIFY stateChanged)
    // After a run that left runners out: how many, and the longer start period or the higher
    // number of runners per slot that would place everyone. Empty otherwise. Localised.
    Q_PROPERTY(QString shortfallText READ shortfallText NOTIFY stateChanged)
    Q_PROPERTY(int assignedCount READ assignedCount NOTIFY stateChanged)

public:
    explicit StartGenerationDialog(QObject *parent = nullptr);
    // Waits for a run still under way: its thread must not outlive the dialog.
    ~StartGenerationDialog() override;

    [[nodiscard]] QString firstStartText() const { return m_firstStartText; }
    void setFirstStartText(const QString &text);
    [[nodiscard]] int windowMinutes() const { return m_windowMinutes; }
    // Also sets the smallest capacity at which the generator places every scheduled runner in the
    // new period (at least the one whose slots just hold every participant); when no capacity
    // does, the latter.
    void setWindowMinutes(int minutes);
    [[nodiscard]] int slotCapacity() const { return m_slotCapacity; }
    // Also sets the shortest period in which the generator places every scheduled runner at the new
    // capacity (at least the one the participants fill); when no period of the day does, the latter.
    void setSlotCapacity(int capacity);
    [[nodiscard]] int minSpacingMinutes() const { return m_minSpacingMinutes; }
    void setMinSpacingMinutes(int minutes);

    [[nodiscard]] bool showingDialog() const { return m_showingDialog; }
    [[nodiscard]] bool showingProgress() const { return m_showingProgress; }
    [[nodiscard]] bool running() const { return m_running; }
    [[nodiscard]] QString problem() const;
    [[nodiscard]] QString runningCaption() const;
    [[nodiscard]] QString resultTitle() const;
    [[nodiscard]] QString assignedText() const;
    // The generator's warnings in the chosen language.
    [[nodiscard]] QStringList warnings() const;
    [[nodiscard]] QString shortfallText() const;
    [[nodiscard]] int assignedCount() const { return m_assignedCount; }

    Q_INVOKABLE void open();
    Q_INVOKABLE void cancel();
    // Checks the settings; on a problem the dialog stays open with the message and nothing runs.
    // Otherwise the dialog closes, the progress sheet opens and the plan is computed.
    Q_INVOKABLE bool generate();
    // Closes the finished progress sheet; refused while the run is under way.
    Q_INVOKABLE void done();
    // Blocks until a run under way has been applied (tests and shutdown).
    void waitForRun();

signals:
    void storeChanged();
    void fieldsChanged();
    void stateChanged();
    // The plan went into the store.
    void applied();

private:
    void storeReplaced() override;
    // What would have placed the runners a run left out.
    struct Shortfall
    {
        int unplaced = 0;
        int windowMinutes = 0;
        int slotCapacity = 0;
        int gap = 1;
        std::optional<int> windowNeeded;
        std::optional<int> capacityNeeded;
    };
    struct Outcome
    {
        std::optional<StartGeneratorResult> plan;
        std::optional<Shortfall> shortfall;
    };
    void finishRun(const Outcome &outcome);
    [[nodiscard]] qsizetype participantCount() const;
    // The capacity and period coupled to the other field (see the setters).
    [[nodiscard]] int coupledCapacity(int windowMinutes) const;
    [[nodiscard]] int coupledWindow(int capacity) const;
    // The longest period that still ends before midnight from the typed first start.
    [[nodiscard]] int longestWindow() const;

    QString m_firstStartText = QStringLiteral("09:00:00");
    int m_windowMinutes = 90;
    int m_slotCapacity = 1;
    int m_minSpacingMinutes = 1;
    bool m_showingDialog = false;
    bool m_showingProgress = false;
    bool m_running = false;
    std::optional<GenerationProblem> m_problem;
    // The period as it stood when "Generate" was pressed, for the running caption.
    int m_runWindowMinutes = 90;
    QStringList m_warnings;
    int m_assignedCount = 0;
    std::optional<Shortfall> m_shortfall;
    QPointer<QThread> m_worker;
    std::shared_ptr<Outcome> m_outcome;
};
