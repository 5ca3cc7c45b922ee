#pragma once

// The course editor sheet and the texts a course row shows. The editor works on its own copy of
// one course and hands it back through `onSave`; it never touches the store.

#include "race.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>

// "31 - 45 - 32" in stored order, or the rogaining summary ("Rogaining · 30 pts total · ...").
[[nodiscard]] QString rogainingSummaryText(const Course &course);
// "12 controls", with " · 4.2 km" when the course has a length.
[[nodiscard]] QString controlCountText(const Course &course);
// "850 m" / "4.2 km" (the decimal sign of the application's locale); empty without a (finite) length.
[[nodiscard]] QString courseLengthText(const Course &course);

class CourseEditor : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the courses screen")
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY changed)
    Q_PROPERTY(QString family READ family WRITE setFamily NOTIFY changed)
    Q_PROPERTY(bool isRogaining READ isRogaining WRITE setRogaining NOTIFY changed)
    Q_PROPERTY(QString timeLimitText READ timeLimitText WRITE setTimeLimitText NOTIFY changed)
    Q_PROPERTY(QString penaltyText READ penaltyText WRITE setPenaltyText NOTIFY changed)
    // One map per control in stored order: id, codeText, orderText, scoreText.
    Q_PROPERTY(QVariantList controls READ controls NOTIFY controlsChanged)
    // Why Save or a typed number was refused; empty otherwise.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

public:
    explicit CourseEditor(Course course, QObject *parent = nullptr);

    std::function<void(const Course &)> onSave;
    std::function<void()> onCancel;

    [[nodiscard]] const Course &course() const { return m_course; }
    [[nodiscard]] QString title() const;
    [[nodiscard]] QString name() const { return m_course.name; }
    void setName(const QString &name);
    [[nodiscard]] QString family() const { return m_course.courseFamily.value_or(QString()); }
    void setFamily(const QString &family);
    [[nodiscard]] bool isRogaining() const { return m_rogaining; }
    void setRogaining(bool on);
    [[nodiscard]] QString timeLimitText() const { return m_timeLimit; }
    void setTimeLimitText(const QString &text);
    [[nodiscard]] QString penaltyText() const { return m_penalty; }
    void setPenaltyText(const QString &text);
    [[nodiscard]] QVariantList controls() const;
    [[nodiscard]] QString problem() const { return m_problem; }

    Q_INVOKABLE void addControl();
    Q_INVOKABLE void removeControl(const QString &controlId);
    // Integer fields in the user's number format; text that is no whole number keeps the value.
    // A negative score is refused with a reason.
    Q_INVOKABLE void setCode(const QString &controlId, const QString &text);
    Q_INVOKABLE void setScore(const QString &controlId, const QString &text);
    // Refuses (with a reason, sheet open) a time limit or penalty that is negative or not finite.
    Q_INVOKABLE void save();
    Q_INVOKABLE void cancel();

signals:
    void changed();
    void controlsChanged();
    void problemChanged();

private:
    void setProblem(const QString &problem);
    CourseControl *control(const QString &controlId);

    Course m_course;
    bool m_rogaining = false;
    QString m_timeLimit;
    QString m_penalty;
    QString m_problem;
};
