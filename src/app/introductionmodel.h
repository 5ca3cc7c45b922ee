#pragma once

// The introduction page's, guides' and about page's texts for QML. Every text is a localisation
// key that the page translates, except `closingLine`, which is shown as it stands.

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class IntroductionModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QVariantList guides READ guides CONSTANT)
    Q_PROPERTY(QVariantList aboutBlocks READ aboutBlocks CONSTANT)
    Q_PROPERTY(QString closingLine READ closingLine CONSTANT)
    // "Version 0.1.0" in the selected language.
    Q_PROPERTY(QString versionText READ versionText CONSTANT)

public:
    using QObject::QObject;

    // Rows { id, title, systemImage, purpose }; Stages only for a multi-stage event.
    Q_INVOKABLE QVariantList sections(bool isMultiStageEvent) const;
    // Rows { title, summary, steps: [ { number, text } ] }; steps numbered from 1 in each guide.
    [[nodiscard]] QVariantList guides() const;
    // Rows { heading, body }.
    [[nodiscard]] QVariantList aboutBlocks() const;
    [[nodiscard]] QString closingLine() const;
    [[nodiscard]] QString versionText() const;
};
