#pragma once

// The Results section: the class and stage filters with their menus and chips, the list of
// groups and rows (flat, so the list builds only the rows in view), the split-times sheet, the
// corrections with their two prompts, receipts printed again, the exports and the check-in pull.
//
// On a slave station every correction is refused with a short explanation: the master's next
// race replaces the slave's whole copy, so a correction made there would be silently undone (the
// exchange carries only card results towards the master, never corrections or deletions).

#include "countedlistmodel.h"
#include "resultcorrections.h"
#include "resultsviewmodel.h"
#include "storeviewmodel.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <optional>

class RaceDayDesk;
struct ReceiptPrintOutcome;

// One line of the results list: a group title, a result row or an overall row.
class ResultListModel : public CountedListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the Results section")

public:
    enum Role { KindRole = Qt::UserRole + 1, StripeRole, ResultIdRole, TextsRole };

    using CountedListModel::CountedListModel;

    struct Line
    {
        // "header", "result" or "overall".
        QString kind;
        bool stripe = false;
        QString resultId;
        // Headers and overall rows; a result row's texts are built when the row is drawn.
        QVariantMap texts;
        std::optional<PersonResult> result;
        std::optional<qint64> place;
        std::optional<double> leaderTime;
        // An earlier read of the runner's stage, listed under the read that counts: shown and
        // deletable, but without a place.
        bool earlierRead = false;
    };
    // `race` outlives the lines (the store's own race); a thousand rows off screen cost nothing.
    void setLines(const Race *race, QList<Line> lines);
    [[nodiscard]] const QList<Line> &lines() const { return m_lines; }

    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

private:
    [[nodiscard]] qsizetype size() const override { return m_lines.size(); }
    const Race *m_race = nullptr;
    QList<Line> m_lines;
};

class ResultsScreen : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QObject *store READ storeObject WRITE setStoreObject NOTIFY storeChanged)
    // The race-day desk, through which receipts are printed.
    Q_PROPERTY(QObject *desk READ deskObject WRITE setDeskObject NOTIFY storeChanged)

    Q_PROPERTY(QString classFilterLabel READ classFilterLabel NOTIFY viewChanged)
    // [{id, name, checked}]: "All classes" (id "") first, then the classes by name.
    Q_PROPERTY(QVariantList classOptions READ classOptions NOTIFY viewChanged)
    // [{id, name, selected}]: the stages by order, then "Overall"; empty without stages.
    Q_PROPERTY(QVariantList stageChips READ stageChips NOTIFY viewChanged)
    Q_PROPERTY(bool showsOverall READ showsOverall NOTIFY viewChanged)
    Q_PROPERTY(QString exportError READ exportError NOTIFY viewChanged)
    Q_PROPERTY(QString exportSavedMessage READ exportSavedMessage NOTIFY viewChanged)
    // [{kind, name, title, enabled}] in menu order.
    Q_PROPERTY(QVariantList exportItems READ exportItems NOTIFY viewChanged)
    Q_PROPERTY(ResultListModel *lines READ lines CONSTANT)

    Q_PROPERTY(bool detailOpen READ detailOpen NOTIFY detailChanged)
    // The split-times sheet's texts (see splittimessheet.h).
    Q_PROPERTY(QVariantMap detail READ detail NOTIFY detailChanged)

    Q_PROPERTY(ResultCorrections *corrections READ corrections NOTIFY storeChanged)
    Q_PROPERTY(bool canCorrect READ canCorrect NOTIFY viewChanged)
    Q_PROPERTY(QString correctionNotice READ correctionNotice NOTIFY viewChanged)
    // Why the last receipt asked for here did not print; empty after one that printed.
    Q_PROPERTY(QString printProblem READ printProblem NOTIFY printProblemChanged)

    Q_PROPERTY(bool canPullCheckins READ canPullCheckins NOTIFY viewChanged)
    Q_PROPERTY(QString pullHelp READ pullHelp NOTIFY viewChanged)

public:
    explicit ResultsScreen(QObject *parent = nullptr);
    ~ResultsScreen() override;

    [[nodiscard]] QObject *deskObject() const;
    void setDeskObject(QObject *desk);

    [[nodiscard]] ResultsViewModel *results() const { return m_results.get(); }
    [[nodiscard]] QString classFilterLabel() const;
    [[nodiscard]] QVariantList classOptions() const;
    [[nodiscard]] QVariantList stageChips() const;
    [[nodiscard]] bool showsOverall() const;
    [[nodiscard]] QString exportError() const;
    [[nodiscard]] QString exportSavedMessage() const;
    [[nodiscard]] ResultListModel *lines() { return &m_lines; }
    Q_INVOKABLE void selectClass(const QString &classId);
    Q_INVOKABLE void selectStage(const QString &stageId);

    [[nodiscard]] bool detailOpen() const { return m_detail.has_value(); }
    [[nodiscard]] QVariantMap detail() const;
    [[nodiscard]] const std::optional<PersonResult> &detailResult() const { return m_detail; }
    Q_INVOKABLE void showDetail(const QString &resultId);
    Q_INVOKABLE void closeDetail();

    [[nodiscard]] ResultCorrections *corrections() const { return m_corrections.get(); }
    [[nodiscard]] bool canCorrect() const;
    [[nodiscard]] QString correctionNotice() const;
    // [{id, name}]: "(None)" (id "") first, then the courses a result may be moved to.
    Q_INVOKABLE QVariantList courseChoices() const;
    Q_INVOKABLE void changeCourse(const QString &resultId, const QString &courseId);
    Q_INVOKABLE void beginOverride(const QString &resultId, bool completed);
    Q_INVOKABLE void clearOverride(const QString &resultId);
    Q_INVOKABLE void requestDeletion(const QString &resultId);

    Q_INVOKABLE void printReceipt(const QString &resultId);
    [[nodiscard]] QString printProblem() const { return m_printProblem; }

    // 0 Results XML, 1 Splits XML, 2 Results PDF, 3 Splits PDF.
    Q_INVOKABLE bool exportEnabled(int kind) const;
    [[nodiscard]] QVariantList exportItems() const;
    Q_INVOKABLE QString suggestedFileName(int kind) const;
    Q_INVOKABLE bool exportTo(int kind, const QUrl &file);
    // The save dialog of export `kind`; the file chosen goes to exportTo().
    Q_INVOKABLE void chooseExportFile(int kind);

    [[nodiscard]] bool canPullCheckins() const;
    [[nodiscard]] QString pullHelp() const;
    Q_INVOKABLE void pullCheckins();

    // Rebuilds the list from the race as it is now (the store's changes call it).
    void refresh();

signals:
    void storeChanged();
    void viewChanged();
    void detailChanged();
    void printProblemChanged();

private:
    void storeReplaced() override;
    void racePublished() override { refresh(); }
    [[nodiscard]] std::optional<PersonResult> storedResult(const QString &resultId) const;
    void printFinished(const ReceiptPrintOutcome &outcome);

    QPointer<RaceDayDesk> m_desk;
    QMetaObject::Connection m_printConnection;
    std::unique_ptr<ResultsViewModel> m_results;
    std::unique_ptr<ResultCorrections> m_corrections;
    ResultListModel m_lines;
    std::optional<PersonResult> m_detail;
    // Receipts asked for here and not finished yet: only their outcome is shown here.
    int m_printsPending = 0;
    QString m_printProblem;
};
