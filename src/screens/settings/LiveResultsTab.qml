import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The live results tab: LiveResultat publishing on or off, its competition, passcode and batch
// interval, "Publish now" and the publisher's last outcome. Every edit is stored at once.
ColumnLayout {
    id: root
    required property LiveResultsViewModel model
    spacing: 10
    Keys.onReturnPressed: root.model.publishNow()

    Label {
        text: qsTranslate("Vexlo", "Live Results Publishing")
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Publishes results to the Liveresultat API in the background, batched every few minutes. Requires a competition id and passcode from that service's admin UI.")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Switch {
        objectName: "enabledSwitch"
        text: qsTranslate("Vexlo", "Publish results to LiveResultat")
        checked: root.model.enabled
        onToggled: root.model.enabled = checked
        Layout.maximumWidth: 320
    }
    GridLayout {
        columns: 2
        columnSpacing: 8
        rowSpacing: 8
        Label {
            text: qsTranslate("Vexlo", "Competition id")
            font: Theme.body
            color: Theme.primaryText
        }
        TextField {
            objectName: "competitionIdField"
            text: root.model.competitionId
            placeholderText: qsTranslate("Vexlo", "e.g. 12345")
            onTextEdited: root.model.competitionId = text
            onAccepted: root.model.publishNow()
            Layout.preferredWidth: 160
        }
        Label {
            text: qsTranslate("Vexlo", "Passcode")
            font: Theme.body
            color: Theme.primaryText
        }
        TextField {
            objectName: "passcodeField"
            text: root.model.passcode
            echoMode: TextInput.Password
            placeholderText: qsTranslate("Vexlo", "Passcode")
            // Stored once when editing ends, never per keystroke: each write may ask the user.
            onEditingFinished: root.model.finishPasscode(text)
            onAccepted: {
                root.model.finishPasscode(text)
                root.model.publishNow()
            }
            Layout.preferredWidth: 160
        }
        Label {
            text: qsTranslate("Vexlo", "Publish interval")
            font: Theme.body
            color: Theme.primaryText
        }
        RowLayout {
            spacing: 6
            Layout.preferredWidth: 220
            Layout.maximumWidth: 220
            Label {
                objectName: "intervalLabel"
                text: root.model.intervalText
                font: Theme.body
                color: Theme.primaryText
                Layout.fillWidth: true
            }
            Button {
                objectName: "intervalDown"
                text: "−"
                enabled: root.model.canStepDown
                onClicked: root.model.step(-1)
                Layout.preferredWidth: 32
            }
            Button {
                objectName: "intervalUp"
                text: "+"
                enabled: root.model.canStepUp
                onClicked: root.model.step(1)
                Layout.preferredWidth: 32
            }
        }
    }
    Label {
        objectName: "competitionIdError"
        visible: text !== ""
        text: root.model.competitionIdError
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "passcodeError"
        visible: text !== ""
        text: root.model.passcodeError
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "keyStoreNotice"
        visible: text !== ""
        text: root.model.keyStoreNotice
        font: Theme.caption
        color: Theme.tint("orange", 1)
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        Button {
            objectName: "publishNowButton"
            text: qsTranslate("Vexlo", "Publish now")
            icon.name: "go-up"
            enabled: root.model.canPublishNow
            onClicked: root.model.publishNow()
            ToolTip.visible: hovered
            ToolTip.text: qsTranslate("Vexlo", "Immediate full sync, bypassing the batch interval — also resets the diff baseline used by batched publishes.")
        }
        BusyIndicator {
            running: root.model.isPublishing
            visible: running
            Layout.preferredWidth: 20
            Layout.preferredHeight: 20
        }
    }
    Label {
        objectName: "publishStatus"
        text: root.model.statusText // verbatim
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Item { Layout.fillHeight: true }
}
