import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The start-time edit sheet: the runner, hour, minute and second steppers, the time as text
// (typed forms such as 9.30 or 0930 are read), and Clear, Cancel, Save (Return).
Sheet {
    id: root
    objectName: "startTimeEditSheet"
    required property QtObject model
    readonly property bool wanted: model.showing
    onWantedChanged: wanted ? open() : close()
    onClosed: if (model.showing) model.cancel()
    onOpened: {
        timeField.text = model.timeText
        timeField.forceActiveFocus()
    }
    onDefaultAction: model.save()
    width: 340

    contentItem: ColumnLayout {
        // The sheet's name on its visible item, where window tests look for it.
        objectName: root.objectName
        spacing: 20

        ColumnLayout {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 32
            spacing: 4
            Label {
                Layout.alignment: Qt.AlignHCenter
                text: root.model.name
                font: Theme.headline
            }
            Label {
                Layout.alignment: Qt.AlignHCenter
                text: root.model.cardText
                font: Theme.caption
                color: Theme.secondaryText
            }
        }

        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            spacing: 8
            SpinBox {
                objectName: "hourStepper"
                Layout.preferredWidth: 76
                from: 0; to: 23
                value: root.model.hour
                onValueModified: root.model.hour = value
                textFromValue: v => String(v).padStart(2, "0")
                Accessible.name: qsTranslate("Vexlo", "Hour")
            }
            Label { text: qsTranslate("Vexlo", ":"); font: Theme.title2 }
            SpinBox {
                objectName: "minuteStepper"
                Layout.preferredWidth: 76
                from: 0; to: 59
                value: root.model.minute
                onValueModified: root.model.minute = value
                textFromValue: v => String(v).padStart(2, "0")
                Accessible.name: qsTranslate("Vexlo", "Minute")
            }
            Label { text: qsTranslate("Vexlo", ":"); font: Theme.title2 }
            SpinBox {
                objectName: "secondStepper"
                Layout.preferredWidth: 76
                from: 0; to: 59
                value: root.model.second
                onValueModified: root.model.second = value
                textFromValue: v => String(v).padStart(2, "0")
                Accessible.name: qsTranslate("Vexlo", "Second")
            }
        }

        ColumnLayout {
            Layout.leftMargin: 32
            Layout.rightMargin: 32
            spacing: 4
            Label {
                text: qsTranslate("Vexlo", "Start time")
                font: Theme.caption
                color: Theme.secondaryText
            }
            TextField {
                id: timeField
                objectName: "startTimeField"
                Layout.fillWidth: true
                font.family: "monospace"
                placeholderText: qsTranslate("Vexlo", "HH:mm:ss")
                // Follows the steppers, but never rewrites what is being typed (no binding: a
                // binding would be evaluated again at every key).
                onTextEdited: root.model.timeText = text
                Connections {
                    target: root.model
                    function onTimeChanged() {
                        if (!timeField.activeFocus)
                            timeField.text = root.model.timeText
                    }
                }
                onActiveFocusChanged: if (!activeFocus) text = root.model.timeText
            }
            Label {
                objectName: "startTimeProblem"
                visible: text !== ""
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: root.model.problem
                font: Theme.caption
                color: Theme.error
            }
        }

        RowLayout {
            Layout.leftMargin: 32
            Layout.rightMargin: 32
            Layout.bottomMargin: 32
            Layout.topMargin: 12
            Button {
                objectName: "clearTimeButton"
                text: qsTranslate("Vexlo", "Clear")
                palette.buttonText: Theme.error
                onClicked: root.model.clear()
            }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "cancelTimeButton"
                text: qsTranslate("Vexlo", "Cancel")
                onClicked: root.model.cancel()
            }
            Button {
                objectName: "saveTimeButton"
                text: qsTranslate("Vexlo", "Save")
                highlighted: true
                onClicked: root.model.save()
            }
        }
    }
}
