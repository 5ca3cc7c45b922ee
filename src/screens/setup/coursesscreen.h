#pragma once

// The courses screen: stage picker, the courses of the active stage (stand-alone ones, then one
// collapsible group per family), add, edit, delete, delete all, and the CourseData import. The
// list is derived afresh whenever the store publishes a change of the courses or stages.

#include "countedlistmodel.h"
#include "courseeditor.h"
#include "race.h"
#include "setupscreen.h"

#include <QObject>
#include <QSet>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <memory>

// The list's rows: stand-alone courses, then per family a header and (when expanded) its variants.
class CourseRowsModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the courses screen")

public:
    enum Role {
        KindRole = Qt::UserRole + 1,
        CourseIdRole,
        TitleRole,
        SummaryRole,
        CountRole,
        StripedRole,
        ExpandedRole,
        FamilyRole
    };

    struct Row
    {
        // "course", "family" or "variant".
        QString kind;
        QString courseId;
        QString title;
        QString summary;
        QString count;
        bool striped = false;
        bool expanded = false;
        QString family;
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

class CoursesScreen : public SetupScreen
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    Q_PROPERTY(bool showsStagePicker READ showsStagePicker NOTIFY raceChanged)
    Q_PROPERTY(QVariantList stageOptions READ stageOptions NOTIFY raceChanged)
    Q_PROPERTY(QString shownStageId READ shownStageId NOTIFY raceChanged)
    Q_PROPERTY(bool canDeleteAll READ canDeleteAll NOTIFY raceChanged)
    Q_PROPERTY(CourseRowsModel *rows READ rows CONSTANT)
    Q_PROPERTY(QString importError READ importError NOTIFY messagesChanged)
    // What the last import or deletion changed, in counts; empty when there is nothing to say.
    Q_PROPERTY(QString changeSummary READ changeSummary NOTIFY messagesChanged)
    Q_PROPERTY(CourseEditor *editor READ editor NOTIFY editorChanged)
    Q_PROPERTY(bool confirmingDelete READ confirmingDelete NOTIFY pendingDeleteChanged)

public:
    explicit CoursesScreen(QObject *parent = nullptr);
    ~CoursesScreen() override;

    [[nodiscard]] bool canDeleteAll() const;
    [[nodiscard]] CourseRowsModel *rows() { return &m_rows; }
    [[nodiscard]] QString importError() const { return m_importError; }
    [[nodiscard]] QString changeSummary() const { return m_summary; }
    [[nodiscard]] CourseEditor *editor() const { return m_editor.get(); }
    [[nodiscard]] bool confirmingDelete() const { return m_pendingDelete.has_value(); }

    Q_INVOKABLE void toggleFamily(const QString &family);
    Q_INVOKABLE void addCourse();
    Q_INVOKABLE void editCourse(const QString &courseId);
    Q_INVOKABLE void confirmDeleteCourse(const QString &courseId);
    Q_INVOKABLE void cancelDelete();
    Q_INVOKABLE void deletePendingCourse();
    Q_INVOKABLE void deleteAllCourses();
    // The file dialog's result: the file is merged through the store; a failure leaves the race
    // as it was and shows the store's reason.
    Q_INVOKABLE void importCourses(const QUrl &fileUrl);
    // The import's open dialog; the file chosen goes to importCourses().
    Q_INVOKABLE void chooseImportFile();
    // Where the import dialog starts: the folder of the last IOF file chosen, else the event
    // file's folder, else home.
    [[nodiscard]] QUrl dialogFolder() const;
    // The import dialog opening, and closing without a file: both only leave a log line.
    void importPanelOpened();
    void importPanelCancelled();

signals:
    void storeChanged();
    void raceChanged();
    void messagesChanged();
    void editorChanged();
    void pendingDeleteChanged();

private:
    void storeReplaced() override;
    void racePublished() override;
    void rebuild();
    void closeEditor(const CourseEditor *opened);
    void setMessages(const QString &error, const QString &summary);
    // How many classes name one of the ids, or any course when the set is empty (base course,
    // stage course or course list).
    [[nodiscard]] int classesReferring(const QSet<QString> &courseIds) const;

    CourseRowsModel m_rows;
    QSet<QString> m_expanded;
    QList<Course> m_seenCourses;
    QList<Stage> m_seenStages;
    std::optional<QString> m_seenActiveStage;
    QString m_importError;
    QString m_summary;
    std::unique_ptr<CourseEditor> m_editor;
    bool m_addingNewCourse = false;
    std::optional<Course> m_pendingDelete;
};
