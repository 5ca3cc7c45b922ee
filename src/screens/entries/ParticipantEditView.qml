import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Entries

// The participant editor sheet. The opener calls model.editParticipant / editNewParticipant and
// stores model.result() in its onSave handling; Escape or "Cancel" give up.
Popup {
    id: root
    property ParticipantEditorViewModel model: ParticipantEditorViewModel {}
    signal save()
    signal cancel()
    objectName: "participantEditSheet"
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    visible: model.open
    closePolicy: Popup.CloseOnEscape
    width: Math.max(380, column.implicitWidth + 48)
    height: Math.min(parent ? parent.height - 40 : 600, column.implicitHeight + 48)
    padding: 24
    onOpened: givenField.forceActiveFocus()
    onClosed: if (model.open) model.cancel()
    background: Rectangle { color: Theme.contentBackground; radius: 10; border.color: Theme.divider }

    Connections {
        target: root.model
        function onSaved() { root.save() }
        function onCancelled() { root.cancel() }
    }

    component Caption: Label { font: Theme.caption; color: Theme.secondaryText }

    contentItem: ScrollView {
        contentWidth: availableWidth
        ColumnLayout {
            id: column
            width: parent.width
            spacing: 6
            Caption { text: qsTranslate("Vexlo", "Given name") }
            TextField {
                id: givenField; objectName: "givenNameField"; Layout.fillWidth: true
                text: root.model.givenName; onTextEdited: root.model.givenName = text
                onAccepted: root.model.saveOnSubmit()
            }
            Caption { text: qsTranslate("Vexlo", "Family name") }
            TextField {
                objectName: "familyNameField"; Layout.fillWidth: true
                text: root.model.familyName; onTextEdited: root.model.familyName = text
                onAccepted: root.model.saveOnSubmit()
            }
            Caption { text: qsTranslate("Vexlo", "Card number") }
            TextField {
                objectName: "cardNumberField"; Layout.fillWidth: true
                text: root.model.cardNumber; onTextEdited: root.model.cardNumber = text
                onAccepted: root.model.saveOnSubmit()
            }
            Label {
                objectName: "cardWarning"
                visible: root.model.cardWarning !== ""
                text: root.model.cardWarning
                font: Theme.caption; color: Theme.error
                wrapMode: Text.WordWrap; Layout.fillWidth: true
            }
            Caption { text: qsTranslate("Vexlo", "Club") }
            TextField {
                objectName: "clubField"; Layout.fillWidth: true
                text: root.model.club; onTextEdited: root.model.club = text
            }
            Label {
                objectName: "nameWarning"
                visible: root.model.nameWarning !== ""
                text: root.model.nameWarning
                font: Theme.caption; color: Theme.error
                wrapMode: Text.WordWrap; Layout.fillWidth: true
            }
            Caption { text: qsTranslate("Vexlo", "Start preference") }
            ComboBox {
                objectName: "preferencePicker"; Layout.fillWidth: true
                model: [qsTranslate("Vexlo", "No preference"), qsTranslate("Vexlo", "Early"), qsTranslate("Vexlo", "Late")]
                currentIndex: root.model.preferenceIndex
                onActivated: index => root.model.preferenceIndex = index
            }
            Caption { text: root.model.classLabel }
            ComboBox {
                objectName: "classPicker"; Layout.fillWidth: true
                model: root.model.classOptions; textRole: "name"
                currentIndex: root.model.classIndex
                onActivated: index => root.model.classIndex = index
            }
            Caption { visible: root.model.showsCourseOverride; text: qsTranslate("Vexlo", "Course (override)") }
            ComboBox {
                visible: root.model.showsCourseOverride; Layout.fillWidth: true
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
                    ComboBox {
                        Layout.fillWidth: true
                        model: root.model.stageClassOptions; textRole: "name"
                        currentIndex: modelData.classIndex
                        onActivated: index => root.model.setStageClassIndex(modelData.stageId, index)
                    }
                    Caption { visible: modelData.showsCourse; text: modelData.courseLabel }
                    ComboBox {
                        visible: modelData.showsCourse; Layout.fillWidth: true
                        model: modelData.courseOptions; textRole: "name"
                        currentIndex: modelData.courseIndex
                        onActivated: index => root.model.setStageCourseIndex(modelData.stageId, index)
                    }
                }
            }
            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 8
                Button { objectName: "participantCancel"; text: qsTranslate("Vexlo", "Cancel"); onClicked: root.model.cancel() }
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "participantSave"; text: qsTranslate("Vexlo", "Save"); highlighted: true
                    enabled: root.model.canSave; onClicked: root.model.save()
                }
            }
        }
    }
}
