#pragma once

// The participant editor: one entry's names, card number (checked against the other entries),
// club, start preference, base class and course override, and per-stage class and course. It
// works on its own copy and hands it back through `saved`; it never touches the store. Whoever
// opens it stores what comes back.

#include "race.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class RaceStore;

// The chosen language's name order (`nameLess`): case-insensitive, digits compared as numbers.
[[nodiscard]] bool naturalLess(const QString &a, const QString &b);

class ParticipantEditorViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(bool open READ isOpen NOTIFY openChanged)
    Q_PROPERTY(QString givenName READ givenName WRITE setGivenName NOTIFY edited)
    Q_PROPERTY(QString familyName READ familyName WRITE setFamilyName NOTIFY edited)
    Q_PROPERTY(QString cardNumber READ cardNumber WRITE setCardNumber NOTIFY edited)
    Q_PROPERTY(QString club READ club WRITE setClub NOTIFY edited)
    // 0 no preference, 1 early, 2 late.
    Q_PROPERTY(int preferenceIndex READ preferenceIndex WRITE setPreferenceIndex NOTIFY edited)
    // Why the card number cannot be saved; empty when it can (or when nothing was typed).
    Q_PROPERTY(QString cardWarning READ cardWarning NOTIFY edited)
    // Why the given name, the family name or the club cannot be saved (a line break, a control
    // character, too long), each shown under its own field; empty when it can.
    Q_PROPERTY(QString givenNameWarning READ givenNameWarning NOTIFY edited)
    Q_PROPERTY(QString familyNameWarning READ familyNameWarning NOTIFY edited)
    Q_PROPERTY(QString clubWarning READ clubWarning NOTIFY edited)
    Q_PROPERTY(bool canSave READ canSave NOTIFY edited)
    Q_PROPERTY(QString classLabel READ classLabel NOTIFY openChanged)
    // [{id, name}]: the first option stands for none.
    Q_PROPERTY(QVariantList classOptions READ classOptions NOTIFY openChanged)
    // A change of the base class moves every stage whose class was the old one; the stages set to
    // another class stay, named here ("Day 2 (D45)"); empty when there are none.
    Q_PROPERTY(int classIndex READ classIndex WRITE setClassIndex NOTIFY edited)
    Q_PROPERTY(QString ownStageClassesText READ ownStageClassesText NOTIFY edited)
    Q_PROPERTY(bool showsCourseOverride READ showsCourseOverride NOTIFY edited)
    Q_PROPERTY(QVariantList courseOptions READ courseOptions NOTIFY edited)
    Q_PROPERTY(int courseIndex READ courseIndex WRITE setCourseIndex NOTIFY edited)
    // One block per stage in order: {stageId, name, classIndex, showsCourse, courseLabel,
    // courseOptions, courseIndex}; the class options are stageClassOptions.
    Q_PROPERTY(QVariantList stageBlocks READ stageBlocks NOTIFY edited)
    Q_PROPERTY(QVariantList stageClassOptions READ stageClassOptions NOTIFY openChanged)

public:
    explicit ParticipantEditorViewModel(QObject *parent = nullptr);

    // Opens the sheet on a copy of `participant`; `otherCardNumbers` are every other entry's.
    void edit(const Participant &participant, const QList<RaceClass> &classes, const QList<Course> &courses,
        const QList<Stage> &stages, const QSet<QString> &otherCardNumbers);
    // For screens in QML: the entry with the id from the store's event, or a new one.
    Q_INVOKABLE bool editParticipant(QObject *store, const QString &participantId);
    Q_INVOKABLE void editNewParticipant(QObject *store);
    // A prefilled new entry (a Participant in a QVariant) against the store's event; every entry's
    // card number counts as another's.
    Q_INVOKABLE void editDraft(QObject *store, const QVariant &draft);
    // result() in a QVariant, for openers in other modules.
    Q_INVOKABLE QVariant resultValue() const { return QVariant::fromValue(result()); }
    // What "Save" hands back: the copy with its card number as digits. A card number changed to
    // another number takes the rental mark away: the runner now has a card of their own.
    [[nodiscard]] Participant result() const;

    [[nodiscard]] bool isOpen() const { return m_open; }
    [[nodiscard]] QString givenName() const { return m_p.givenName; }
    void setGivenName(const QString &v);
    [[nodiscard]] QString familyName() const { return m_p.familyName; }
    void setFamilyName(const QString &v);
    [[nodiscard]] QString cardNumber() const { return m_p.cardNumber; }
    void setCardNumber(const QString &v);
    [[nodiscard]] QString club() const { return m_p.club.value_or(QString()); }
    void setClub(const QString &v);
    [[nodiscard]] int preferenceIndex() const;
    void setPreferenceIndex(int index);
    [[nodiscard]] bool isDuplicateCardNumber() const;
    // True for a number of zeros only: no card has it, and an entry list's 0 stands for no card.
    [[nodiscard]] bool isZeroCardNumber() const;
    [[nodiscard]] QString cardWarning() const;
    [[nodiscard]] QString givenNameWarning() const;
    [[nodiscard]] QString familyNameWarning() const;
    [[nodiscard]] QString clubWarning() const;
    [[nodiscard]] bool canSave() const;
    [[nodiscard]] QString classLabel() const;
    [[nodiscard]] QVariantList classOptions() const;
    [[nodiscard]] int classIndex() const;
    void setClassIndex(int index);
    [[nodiscard]] QString ownStageClassesText() const;
    [[nodiscard]] bool showsCourseOverride() const;
    [[nodiscard]] QVariantList courseOptions() const;
    [[nodiscard]] int courseIndex() const;
    void setCourseIndex(int index);
    [[nodiscard]] QVariantList stageBlocks() const;
    [[nodiscard]] QVariantList stageClassOptions() const;
    Q_INVOKABLE void setStageClassIndex(const QString &stageId, int index);
    Q_INVOKABLE void setStageCourseIndex(const QString &stageId, int index);

    // The courses offered for the stage's class (no stage: the base class), in name order.
    [[nodiscard]] QList<Course> courseChoices(const std::optional<QString> &stageId) const;

    Q_INVOKABLE void save();
    // Return anywhere in the sheet: saves when "Save" is offered, else does nothing.
    Q_INVOKABLE void saveOnSubmit();
    Q_INVOKABLE void cancel();

signals:
    void openChanged();
    void edited();
    // The sheet ended; `saved` carries the edited copy (result()).
    void saved();
    void cancelled();

private:
    [[nodiscard]] const RaceClass *findClass(const std::optional<QString> &id) const;
    [[nodiscard]] std::optional<QString> classIdForStage(const std::optional<QString> &stageId) const;
    [[nodiscard]] std::optional<QString> courseIdForStage(const std::optional<QString> &stageId) const;
    [[nodiscard]] QList<RaceClass> sortedClasses() const;
    // After a class change: drops each family course of the runner's (base, or of a stage whose
    // class changed from `before`) where the class now does not choose by family, as it would
    // judge the runner on a course the sheet no longer shows.
    void dropCoursesNotOffered(
        const std::optional<QString> &baseBefore, const QHash<QString, std::optional<QString>> &before);
    [[nodiscard]] QHash<QString, std::optional<QString>> stageClasses() const;
    void close();

    bool m_open = false;
    Participant m_p;
    // The card number the entry came with, as digits.
    QString m_openedCard;
    QList<RaceClass> m_classes;
    QList<Course> m_courses;
    QList<Stage> m_stages;
    QSet<QString> m_otherCards;
};
