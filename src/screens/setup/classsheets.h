#pragma once

// The three class sheets of the classes screen. Each works on its own copy of one class and hands
// it back through `onSave` (or drops it through `onCancel`); none of them touches the store.

#include "race.h"
#include "setuplists.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>

// The mode a class is edited in: its own, else course family when it names a family.
[[nodiscard]] RaceClassMode effectiveMode(const RaceClass &raceClass);
// The change of mode a row or the editor makes: the mode, and no course choice left (the courses
// for single stages included).
void setClassMode(RaceClass &raceClass, RaceClassMode mode);
// Adds the course id at the end, or removes its first occurrence; the list is then present.
void toggleCourseId(RaceClass &raceClass, const QString &courseId);
// Rows {text, value, checked} for the multi-course choice over `courses`.
[[nodiscard]] QVariantList multiCourseRows(const RaceClass &raceClass, const QList<Course> &courses);

// "Add Class": the details and course choice of a new class.
class ClassEditor : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the classes screen")
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY changed)
    // 0 single course, 1 course family, 2 multi-course (the effective mode).
    Q_PROPERTY(int modeIndex READ modeIndex NOTIFY changed)
    // 0 scheduled time, 1 start punch.
    Q_PROPERTY(int startIndex READ startIndex NOTIFY changed)
    Q_PROPERTY(QString courseId READ courseId NOTIFY changed)
    Q_PROPERTY(QString family READ family NOTIFY changed)
    Q_PROPERTY(QVariantList courseOptions READ courseOptions CONSTANT)
    Q_PROPERTY(QVariantList familyOptions READ familyOptions CONSTANT)
    Q_PROPERTY(QVariantList multiCourseItems READ multiCourseItems NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)
    // Why the name typed cannot be saved (a line break, a control character, too long).
    Q_PROPERTY(QString nameWarning READ nameWarning NOTIFY changed)

public:
    ClassEditor(RaceClass raceClass, const QList<Course> &courses, QObject *parent = nullptr);

    std::function<void(const RaceClass &)> onSave;
    std::function<void()> onCancel;

    [[nodiscard]] const RaceClass &raceClass() const { return m_class; }
    [[nodiscard]] QString name() const { return m_class.name; }
    void setName(const QString &name);
    [[nodiscard]] int modeIndex() const { return int(effectiveMode(m_class)); }
    [[nodiscard]] int startIndex() const;
    [[nodiscard]] QString courseId() const { return m_class.courseId.value_or(QString()); }
    [[nodiscard]] QString family() const { return m_class.courseFamily.value_or(QString()); }
    [[nodiscard]] QVariantList courseOptions() const;
    [[nodiscard]] QVariantList familyOptions() const;
    [[nodiscard]] QVariantList multiCourseItems() const { return multiCourseRows(m_class, m_standalone); }
    [[nodiscard]] QString nameWarning() const;
    [[nodiscard]] bool canSave() const
    {
        return !m_class.name.trimmed().isEmpty() && nameWarning().isEmpty();
    }

    Q_INVOKABLE void setModeIndex(int index);
    Q_INVOKABLE void setStartIndex(int index);
    // The empty text chooses none.
    Q_INVOKABLE void setCourseId(const QString &courseId);
    Q_INVOKABLE void setFamily(const QString &family);
    Q_INVOKABLE void toggleCourse(const QString &courseId);
    Q_INVOKABLE void save();
    Q_INVOKABLE void cancel();

signals:
    void changed();

private:
    RaceClass m_class;
    QList<Course> m_standalone;
    QList<CourseFamilyGroup> m_families;
};

// Per-stage course, start method and start window of one class.
class StageSettingsEditor : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the classes screen")
    Q_PROPERTY(QString title READ title CONSTANT)
    // One map per stage in `order`: stageId, name, courseOptions, courseId, showsCourse,
    // startValue ("", "scheduledTime", "startPunch"), showsWindow, openText, closeText. A stage
    // without a course although the class has one of its own shows the option "None"
    // (noCourseValue).
    Q_PROPERTY(QVariantList stages READ stages NOTIFY stagesChanged)
    // Why Save kept the sheet open (a stage's window that cannot be read); empty otherwise.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

public:
    // `courses`: the race's courses without a family, in stored order; `allCourses` every course
    // (one stored for a stage shows even where the stage does not offer it).
    StageSettingsEditor(RaceClass raceClass, const QList<Course> &courses, const QList<Stage> &stages,
        QObject *parent = nullptr, const QList<Course> &allCourses = {});
    // The course picker's value for "no course that stage".
    static inline const QString noCourseValue = QStringLiteral("-none-");

    std::function<void(const RaceClass &)> onSave;
    std::function<void()> onCancel;

    [[nodiscard]] const RaceClass &raceClass() const { return m_class; }
    [[nodiscard]] QString title() const;
    [[nodiscard]] QVariantList stages() const;
    [[nodiscard]] QString problem() const { return m_problem; }

    Q_INVOKABLE void setCourse(const QString &stageId, const QString &courseId);
    Q_INVOKABLE void setStart(const QString &stageId, const QString &startValue);
    // Typing in a window field; no redraw, so the field keeps its caret.
    Q_INVOKABLE void setWindowText(const QString &stageId, const QString &openText, const QString &closeText);
    // Writes the windows (both empty: removed) and hands the class back; a window that cannot be
    // read keeps the sheet open with `problem` and writes nothing.
    Q_INVOKABLE void save();
    Q_INVOKABLE void cancel();

signals:
    void stagesChanged();
    void problemChanged();

private:
    struct WindowTexts
    {
        QString open;
        QString close;
    };
    RaceClass m_class;
    QList<Course> m_courses;
    QList<Course> m_allCourses;
    QList<Stage> m_stages;
    QMap<QString, WindowTexts> m_texts;
    QMap<QString, WindowTexts> m_shownTexts;
    QString m_problem;
};

// One class's own start window: for the active stage, or the class's base window.
class StartWindowEditor : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the classes screen")
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString openText READ openText WRITE setOpenText NOTIFY textsChanged)
    Q_PROPERTY(QString closeText READ closeText WRITE setCloseText NOTIFY textsChanged)
    Q_PROPERTY(bool canClear READ canClear NOTIFY textsChanged)
    // Why Save kept the stored window; empty otherwise.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

public:
    StartWindowEditor(RaceClass raceClass, const std::optional<QString> &stageId,
        const std::optional<QString> &stageName, QObject *parent = nullptr);

    std::function<void(const RaceClass &)> onSave;
    std::function<void()> onCancel;

    [[nodiscard]] QString title() const;
    [[nodiscard]] QString openText() const { return m_open; }
    [[nodiscard]] QString closeText() const { return m_close; }
    void setOpenText(const QString &text);
    void setCloseText(const QString &text);
    [[nodiscard]] bool canClear() const { return !m_open.isEmpty() || !m_close.isEmpty(); }
    [[nodiscard]] QString problem() const { return m_problem; }

    Q_INVOKABLE void clear();
    // Two readable times set the window, two blank fields remove it; anything else keeps the stored
    // window, says why in `problem` and leaves the sheet open.
    Q_INVOKABLE void save();
    Q_INVOKABLE void cancel();

signals:
    void textsChanged();
    void problemChanged();

private:
    [[nodiscard]] std::optional<StartWindow> storedWindow() const;

    RaceClass m_class;
    std::optional<QString> m_stageId;
    std::optional<QString> m_stageName;
    QString m_open;
    QString m_close;
    QString m_shownOpen;
    QString m_shownClose;
    QString m_problem;
};
