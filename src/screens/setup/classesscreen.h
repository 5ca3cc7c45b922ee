#pragma once

// The classes screen: stage picker, "Add Class", the "Tools" menu, the class table and its sheets.
// The derived lists (visible courses, families, classes in display order) are rebuilt once per
// change of the race's courses, classes, stages or active stage, queued to the next turn of the
// event loop so that several changes in a row cost one rebuild; the rows only read them.

#include "classsheets.h"
#include "countedlistmodel.h"
#include "race.h"
#include "rebuildqueue.h"
#include "setuplists.h"
#include "setupscreen.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <memory>

// One row per class in display order. Rows are updated in place while the order of the classes
// stays the same, so a row being edited keeps its controls.
class ClassRowsModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the classes screen")

public:
    enum Role {
        ClassIdRole = Qt::UserRole + 1,
        NameRole,
        ModeIndexRole,
        StartIndexRole,
        CourseIdRole,
        FamilyRole,
        MultiCourseTextRole,
        ShowsStagesButtonRole,
        ShowsWindowButtonRole,
    };

    struct Row
    {
        QString classId;
        QString name;
        int modeIndex = 0;
        int startIndex = 0;
        QString courseId;
        QString family;
        QString multiCourseText;
        bool showsStagesButton = false;
        bool showsWindowButton = false;
        bool operator==(const Row &) const = default;
    };

    using CountedListModel::CountedListModel;
    void setRows(const QList<Row> &rows);
    [[nodiscard]] const QList<Row> &rows() const { return m_rows; }

    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

private:
    [[nodiscard]] qsizetype size() const override { return m_rows.size(); }
    QList<Row> m_rows;
};

class ClassesScreen : public SetupScreen
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY loadingChanged)
    Q_PROPERTY(bool showsStagePicker READ showsStagePicker NOTIFY raceChanged)
    Q_PROPERTY(QVariantList stageOptions READ stageOptions NOTIFY raceChanged)
    Q_PROPERTY(QString shownStageId READ shownStageId NOTIFY raceChanged)
    Q_PROPERTY(bool canGenerate READ canGenerate NOTIFY raceChanged)
    Q_PROPERTY(bool canAutoMatch READ canAutoMatch NOTIFY raceChanged)
    Q_PROPERTY(bool canDeleteAll READ canDeleteAll NOTIFY raceChanged)
    Q_PROPERTY(ClassRowsModel *rows READ rows CONSTANT)
    // The rows' course choices: "None" then the visible courses without a family / the families.
    Q_PROPERTY(QVariantList courseOptions READ courseOptions NOTIFY listsChanged)
    Q_PROPERTY(QVariantList familyOptions READ familyOptions NOTIFY listsChanged)
    Q_PROPERTY(ClassEditor *classEditor READ classEditor NOTIFY sheetsChanged)
    Q_PROPERTY(StageSettingsEditor *stageEditor READ stageEditor NOTIFY sheetsChanged)
    Q_PROPERTY(StartWindowEditor *windowEditor READ windowEditor NOTIFY sheetsChanged)
    Q_PROPERTY(bool showingDefaultWindow READ showingDefaultWindow NOTIFY sheetsChanged)
    Q_PROPERTY(
        QString defaultOpenText READ defaultOpenText WRITE setDefaultOpenText NOTIFY defaultTextsChanged)
    Q_PROPERTY(
        QString defaultCloseText READ defaultCloseText WRITE setDefaultCloseText NOTIFY defaultTextsChanged)
    Q_PROPERTY(bool hasDefaultWindow READ hasDefaultWindow NOTIFY raceChanged)
    // Why Done kept the default-window sheet open; empty otherwise.
    Q_PROPERTY(QString defaultWindowProblem READ defaultWindowProblem NOTIFY defaultTextsChanged)
    // Why the name last typed into a row was not stored; empty once a name is.
    Q_PROPERTY(QString renameProblem READ renameProblem NOTIFY renameProblemChanged)

public:
    explicit ClassesScreen(QObject *parent = nullptr);
    ~ClassesScreen() override;

    [[nodiscard]] bool isLoading() const { return m_rebuild.isLoading(); }
    [[nodiscard]] bool canGenerate() const;
    [[nodiscard]] QString renameProblem() const { return m_renameProblem; }
    [[nodiscard]] bool canAutoMatch() const;
    [[nodiscard]] bool canDeleteAll() const;
    [[nodiscard]] ClassRowsModel *rows() { return &m_rows; }
    [[nodiscard]] QVariantList courseOptions() const;
    [[nodiscard]] QVariantList familyOptions() const;
    [[nodiscard]] const VisibleCourses &courseLists() const { return m_courses; }
    [[nodiscard]] const QList<RaceClass> &sortedClasses() const { return m_sortedClasses; }
    [[nodiscard]] ClassEditor *classEditor() const { return m_classEditor.get(); }
    [[nodiscard]] StageSettingsEditor *stageEditor() const { return m_stageEditor.get(); }
    [[nodiscard]] StartWindowEditor *windowEditor() const { return m_windowEditor.get(); }
    [[nodiscard]] bool showingDefaultWindow() const { return m_showingDefaultWindow; }
    [[nodiscard]] QString defaultOpenText() const { return m_defaultOpen; }
    [[nodiscard]] QString defaultCloseText() const { return m_defaultClose; }
    void setDefaultOpenText(const QString &text);
    void setDefaultCloseText(const QString &text);
    [[nodiscard]] bool hasDefaultWindow() const { return effectiveDefaultWindow().has_value(); }
    [[nodiscard]] QString defaultWindowProblem() const { return m_defaultWindowProblem; }

    // Rebuilds the derived lists and rows now (tests and benchmarks; the screen itself rebuilds on
    // the next turn of the event loop after a relevant change).
    void rebuildNow();

    Q_INVOKABLE void generateClasses();
    Q_INVOKABLE void autoMatchClasses();
    Q_INVOKABLE void deleteAllClasses();

    Q_INVOKABLE void addClass();
    Q_INVOKABLE void editStages(const QString &classId);
    Q_INVOKABLE void editStartWindow(const QString &classId);
    Q_INVOKABLE void openDefaultWindow();
    Q_INVOKABLE void clearDefaultWindow();
    Q_INVOKABLE void finishDefaultWindow();
    // Escape: closes the default-window sheet without storing.
    Q_INVOKABLE void dismissDefaultWindow();

    // Row edits: each writes the stored class with one change. A name that cannot be one (a line
    // break, a control character, too long) is not stored: false, and renameProblem says why.
    Q_INVOKABLE bool renameClass(const QString &classId, const QString &name);
    Q_INVOKABLE void setMode(const QString &classId, int modeIndex);
    Q_INVOKABLE void setStart(const QString &classId, int startIndex);
    Q_INVOKABLE void setCourse(const QString &classId, const QString &courseId);
    Q_INVOKABLE void setFamily(const QString &classId, const QString &family);
    Q_INVOKABLE void toggleCourse(const QString &classId, const QString &courseId);
    Q_INVOKABLE QVariantList multiCourseItems(const QString &classId) const;
    Q_INVOKABLE void deleteClass(const QString &classId);

signals:
    void storeChanged();
    void loadingChanged();
    void raceChanged();
    void listsChanged();
    void sheetsChanged();
    void defaultTextsChanged();
    void renameProblemChanged();

private:
    void storeReplaced() override;
    void racePublished() override;
    [[nodiscard]] ClassRowsModel::Row rowFor(const RaceClass &raceClass) const;
    void collectMoreOptions(const Race &race, const QList<ClassRowsModel::Row> &rows);
    [[nodiscard]] std::optional<RaceClass> storedClass(const QString &classId) const;
    void updateClass(const QString &classId, const std::function<void(RaceClass &)> &change);
    [[nodiscard]] std::optional<StartWindow> effectiveDefaultWindow() const;
    void closeSheets();

    ClassRowsModel m_rows;
    RebuildQueue m_rebuild;
    // What the derived lists were built from, to tell a relevant change from any other.
    QList<Course> m_seenCourses;
    QList<RaceClass> m_seenClasses;
    QList<Stage> m_seenStages;
    std::optional<QString> m_seenActiveStage;
    VisibleCourses m_courses;
    // What judges some class on the stage that the lists above leave out (a course tagged for
    // another stage, a family course given as a class's one course; a family of another stage's
    // courses), offered as well so that every row shows it.
    QVariantList m_moreCourseOptions;
    QList<CourseFamilyGroup> m_moreFamilies;
    QList<RaceClass> m_sortedClasses;
    std::unique_ptr<ClassEditor> m_classEditor;
    std::unique_ptr<StageSettingsEditor> m_stageEditor;
    std::unique_ptr<StartWindowEditor> m_windowEditor;
    bool m_showingDefaultWindow = false;
    QString m_defaultOpen;
    QString m_defaultWindowProblem;
    QString m_renameProblem;
    QString m_defaultClose;
    QString m_shownDefaultOpen;
    QString m_shownDefaultClose;
};
