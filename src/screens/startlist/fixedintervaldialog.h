#pragma once

// The fixed-interval dialog: a class (or every runner) gets a random draw at a fixed interval
// from a typed first start, or a mass start at interval 0. After a draw for one class the class
// remembers its first start and interval, offered again when that class is picked.
//
// Its fields outlive the dialog: the class is also the scope of "Clear class start times", and the
// first start is the start of the rule-based generator's period and the seed of the time editor.
// A first start that cannot be read keeps the dialog open with a message.

#include "race.h"
#include "racestore.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <optional>

// True when the class has runners (by base class) and every one has a start for the active stage.
[[nodiscard]] bool classFullyScheduled(const Race &race, const QString &classId);
// Runners the draw selects: every participant for the empty class id, else those of the base class;
// runners of a class that starts by the start punch on the active stage left out.
[[nodiscard]] qsizetype drawSelectionCount(const Race &race, const QString &classId);
// The classes in class-name order (`compareClassNames`), equal names in stored order.
[[nodiscard]] QList<RaceClass> classesByName(const QList<RaceClass> &classes);

class FixedIntervalDialog : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the start-list view-model")

    Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)
    // "" for all classes.
    Q_PROPERTY(QString classId READ classId WRITE setClassId NOTIFY fieldsChanged)
    Q_PROPERTY(QString firstStart READ firstStart WRITE setFirstStart NOTIFY fieldsChanged)
    Q_PROPERTY(double intervalSeconds READ intervalSeconds WRITE setIntervalSeconds NOTIFY fieldsChanged)
    // [{id, name, fullyScheduled}], "All classes" (id "") first.
    Q_PROPERTY(QVariantList classOptions READ classOptions NOTIFY optionsChanged)
    // "Mass start (interval 0s)" or "Interval: 120s".
    Q_PROPERTY(QString intervalLabel READ intervalLabel NOTIFY fieldsChanged)
    // "Estimated last start: 09:18:00", or "" when there is no estimate to show.
    Q_PROPERTY(QString estimateText READ estimateText NOTIFY optionsChanged)
    // Why "Random draw" did not run; "" otherwise. Cleared by any edit of the fields.
    Q_PROPERTY(QString error READ error NOTIFY fieldsChanged)

public:
    static constexpr double maxIntervalSeconds = 600;
    static constexpr double intervalStep = 30;

    explicit FixedIntervalDialog(QObject *parent = nullptr);

    [[nodiscard]] bool shown() const { return m_shown; }
    [[nodiscard]] QString classId() const { return m_classId; }
    // While the dialog is shown, a new class brings back its remembered first start and interval.
    void setClassId(const QString &classId);
    [[nodiscard]] QString firstStart() const { return m_firstStart; }
    void setFirstStart(const QString &text);
    [[nodiscard]] double intervalSeconds() const { return m_interval; }
    // Any value is kept as given; the draw checks it.
    void setIntervalSeconds(double seconds);
    [[nodiscard]] QVariantList classOptions() const;
    [[nodiscard]] QString intervalLabel() const;
    [[nodiscard]] QString estimateText() const;
    [[nodiscard]] QString error() const { return m_error; }

    // The estimated last start as "HH:mm:ss"; absent for a mass start, no runners or an unreadable
    // first start.
    [[nodiscard]] std::optional<QString> estimatedLastStart() const;

    Q_INVOKABLE void open();
    Q_INVOKABLE void cancel();
    // The minus and plus buttons: -60 and +60. Wraps at midnight; an unreadable text stays.
    Q_INVOKABLE void shiftFirstStart(int deltaSeconds);
    // "Random draw": assigns, remembers the settings in the class and closes; on an unreadable
    // first start or an interval outside 0 to 600 s it sets `error` and stays open. True when it
    // assigned, after `drawn`.
    Q_INVOKABLE bool randomDraw();

signals:
    // A draw was made: `note` names the start-punch classes it left out, or is empty.
    void drawn(const QString &note);
    void shownChanged();
    void fieldsChanged();
    void optionsChanged();

private:
    void storeReplaced() override { emit optionsChanged(); }
    void racePublished() override { emit optionsChanged(); }
    void restoreLastUsed(const QString &classId);
    void setError(const QString &error);

    bool m_shown = false;
    QString m_classId;
    QString m_firstStart = QStringLiteral("09:00:00");
    double m_interval = 120;
    QString m_error;
};
