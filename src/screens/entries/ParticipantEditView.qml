import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Entries

// The participant editor sheet. The opener calls model.editParticipant / editNewParticipant and
// stores model.result() in its onSave handling; Escape or "Cancel" give up, Return saves when
// "Save" is offered. Each refusal shows under its own field.
Popup {
    id: root
    property ParticipantEditorViewModel model: ParticipantEditorViewModel {}
    signal save()
    signal cancel()
    objectName: "participantEditSheet"
    parent: Overlay.overlay
    modal: true
    focus: true
    visible: model.open
    closePolicy: Popup.CloseOnEscape
    padding: 24
    // Centred on the sheet without its messages and optional pickers: one that shows or goes
    // makes the sheet longer or shorter at the bottom, and no field moves under the pointer.
    readonly property real varyingHeight: [cardWarning, givenWarning, familyWarning, clubWarning,
        courseCaption, coursePicker].reduce((sum, item) => sum + (item.visible ? item.implicitHeight + column.spacing : 0), 0)
    readonly property real fullHeight: column.implicitHeight + 2 * padding
    x: Math.round(((parent ? parent.width : width) - width) / 2)
    y: parent ? Math.max(20, Math.round((parent.height - Math.min(parent.height - 40, fullHeight - varyingHeight)) / 2)) : 0
    width: Math.max(380, column.implicitWidth + 2 * padding)
    height: Math.min(parent ? parent.height - y - 20 : 600, fullHeight)
    onOpened: givenField.forceActiveFocus()
    onClosed: if (model.open) model.cancel()
    background: Rectangle { color: Theme.contentBackground; radius: 10; border.color: Theme.divider }

    Connections {
        target: root.model
        function onSaved() { root.save() }
        function onCancelled() { root.cancel() }
    }

    component Caption: Label { font: Theme.caption; color: Theme.secondaryText }
    // A refusal under its field; it takes the sheet's width and never widens it.
    component Warning: Label {
        visible: text !== ""
        font: Theme.caption; color: Theme.error
        wrapMode: Text.WordWrap; Layout.fillWidth: true; Layout.preferredWidth: 0
    }

    // Return on a closed picker saves as from a field; in its open list it picks, as it does.
    component Picker: ComboBox {
        Layout.fillWidth: true
        Keys.onReturnPressed: event => { if (popup.visible) event.accepted = false; else root.model.saveOnSubmit() }
        Keys.onEnterPressed: event => { if (popup.visible) event.accepted = false; else root.model.saveOnSubmit() }
    }

    // A control reached with Tab beyond the part of the sheet on show is scrolled into view.
    contentItem: FocusScrollView {
        objectName: "participantScroller"
        contentWidth: availableWidth
        ColumnLayout {
            id: column
            width: parent.width
            spacing: 6
            // Return reaches here from every field.
            Keys.onReturnPressed: root.model.saveOnSubmit()
            Keys.onEnterPressed: root.model.saveOnSubmit()
            Caption { text: qsTranslate("Vexlo", "Given name") }
            TextField {
                id: givenField; objectName: "givenNameField"; Layout.fillWidth: true
                text: root.model.givenName; onTextEdited: root.model.givenName = text
            }
            Warning { id: givenWarning; objectName: "givenNameWarning"; text: root.model.givenNameWarning }
            Caption { text: qsTranslate("Vexlo", "Family name") }
            TextField {
                objectName: "familyNameField"; Layout.fillWidth: true
                text: root.model.familyName; onTextEdited: root.model.familyName = text
            }
            Warning { id: familyWarning; objectName: "familyNameWarning"; text: root.model.familyNameWarning }
            Caption { text: qsTranslate("Vexlo", "Card number") }
            TextField {
                objectName: "cardNumberField"; Layout.fillWidth: true
                text: root.model.cardNumber; onTextEdited: root.model.cardNumber = text
            }
            Warning { id: cardWarning; objectName: "cardWarning"; text: root.model.cardWarning }
            Caption { text: qsTranslate("Vexlo", "Club") }
            TextField {
                objectName: "clubField"; Layout.fillWidth: true
                text: root.model.club; onTextEdited: root.model.club = text
            }
            Warning { id: clubWarning; objectName: "clubWarning"; text: root.model.clubWarning }
            Caption { text: qsTranslate("Vexlo", "Start preference") }
            Picker {
                objectName: "preferencePicker"
                model: [qsTranslate("Vexlo", "No preference"), qsTranslate("Vexlo", "Early"), qsTranslate("Vexlo", "Late")]
                currentIndex: root.model.preferenceIndex
                onActivated: index => root.model.preferenceIndex = index
            }
            Caption { text: root.model.classLabel }
            Picker {
                objectName: "classPicker"
                model: root.model.classOptions; textRole: "name"
                currentIndex: root.model.classIndex
                onActivated: index => root.model.classIndex = index
            }
            Caption {
                objectName: "ownStageClasses"
                visible: text.length > 0
                text: root.model.ownStageClassesText
                wrapMode: Text.WordWrap; Layout.fillWidth: true
            }
            Caption { id: courseCaption; visible: root.model.showsCourseOverride; text: qsTranslate("Vexlo", "Course (override)") }
            Picker {
                id: coursePicker; objectName: "coursePicker"; visible: root.model.showsCourseOverride
                model: root.model.courseOptions; textRole: "name"
                currentIndex: root.model.courseIndex
                onActivated: index => root.model.courseIndex = index
            }
            Label {
                visible: root.model.stageBlocks.length > 0
                text: qsTranslate("Vexlo", "Per-stage overrides"); font: Theme.headline
                Layout.topMargin: 8
            }
            Caption {
                visible: root.model.stageBlocks.length > 0
                text: qsTranslate("Vexlo", "Leave a stage set to \"(Same as base)\" to use the base class above for that stage.")
                wrapMode: Text.WordWrap; Layout.fillWidth: true
            }
            Repeater {
                model: root.model.stageBlocks
                ColumnLayout {
                    required property var modelData
                    Layout.fillWidth: true
                    Caption { text: modelData.name }
                    Picker {
                        model: root.model.stageClassOptions; textRole: "name"
                        currentIndex: modelData.classIndex
                        onActivated: index => root.model.setStageClassIndex(modelData.stageId, index)
                    }
                    Caption { visible: modelData.showsCourse; text: modelData.courseLabel }
                    Picker {
                        visible: modelData.showsCourse
                        model: modelData.courseOptions; textRole: "name"
                        currentIndex: modelData.courseIndex
                        onActivated: index => root.model.setStageCourseIndex(modelData.stageId, index)
                    }
                }
            }
            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 8
                Button {
                    objectName: "participantCancel"; text: qsTranslate("Vexlo", "Cancel"); onClicked: root.model.cancel()
                    Keys.onReturnPressed: root.model.cancel()
                    Keys.onEnterPressed: root.model.cancel()
                }
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "participantSave"; text: qsTranslate("Vexlo", "Save"); highlighted: true
                    enabled: root.model.canSave; onClicked: root.model.save()
                }
            }
        }
    }
}
