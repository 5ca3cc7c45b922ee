import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The Metsä tab: how to create a competition on the service, publishing on or off, the
// competition id, password and batch interval, "Publish now" and the publisher's last outcome.
// Every edit is stored at once.
ColumnLayout {
    id: root
    required property MetsaTabViewModel model
    spacing: 10
    Keys.onReturnPressed: root.model.publishNow()

    Label {
        text: qsTranslate("Vexlo", "Metsä Live Results")
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        objectName: "metsaDescription"
        text: root.model.descriptionText
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Rectangle {
        objectName: "metsaSetupSteps"
        color: Theme.tint("gray", 0.12)
        radius: 6
        Layout.fillWidth: true
        implicitHeight: steps.implicitHeight + 16
        ColumnLayout {
            id: steps
            anchors.fill: parent
            anchors.margins: 8
            spacing: 4
            Label {
                text: root.model.setupHeading
                font.pixelSize: Theme.caption.pixelSize
                font.bold: true
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Repeater {
                model: [root.model.setupFirstStep,
                    qsTranslate("Vexlo", "2. The competition page shows three values: the competition id and password below, and an upload URL (not needed here — Vexlo builds it from the id automatically)."),
                    qsTranslate("Vexlo", "3. Enter the competition id and password below and enable publishing; your results appear on a public page that works on phones."),
                    qsTranslate("Vexlo", "4. Lost the link to an existing competition? Use \"Recover it by email\" on that same page.")]
                Label {
                    required property string modelData
                    text: modelData
                    font.pixelSize: 9
                    color: Theme.secondaryText
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
            }
        }
    }
    AbstractButton {
        id: organiserLink
        objectName: "metsaOrganiserLink"
        activeFocusOnTab: true
        onClicked: Qt.openUrlExternally(root.model.organiserUrl)
        Keys.onReturnPressed: clicked()
        contentItem: Label {
            text: root.model.organiserLinkText
            font.pixelSize: Theme.caption.pixelSize
            font.underline: organiserLink.hovered || organiserLink.activeFocus
            color: Theme.tint("blue", 1.0)
        }
    }
    Switch {
        objectName: "metsaEnabledSwitch"
        text: qsTranslate("Vexlo", "Publish results to Metsä")
        checked: root.model.enabled
        onToggled: root.model.enabled = checked
        Layout.maximumWidth: 480
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
            objectName: "metsaCompetitionIdField"
            text: root.model.competitionId
            placeholderText: qsTranslate("Vexlo", "e.g. 12345")
            onTextEdited: root.model.competitionId = text
            onAccepted: root.model.publishNow()
            Layout.preferredWidth: 160
        }
        Label {
            text: qsTranslate("Vexlo", "Password")
            font: Theme.body
            color: Theme.primaryText
        }
        TextField {
            objectName: "metsaPasswordField"
            text: root.model.passcode
            echoMode: TextInput.Password
            placeholderText: qsTranslate("Vexlo", "Password")
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
                objectName: "metsaIntervalLabel"
                text: root.model.intervalText
                font: Theme.body
                color: Theme.primaryText
                Layout.fillWidth: true
            }
            Button {
                objectName: "metsaIntervalDown"
                text: "−"
                enabled: root.model.canStepDown
                onClicked: root.model.step(-1)
                Layout.preferredWidth: 32
            }
            Button {
                objectName: "metsaIntervalUp"
                text: "+"
                enabled: root.model.canStepUp
                onClicked: root.model.step(1)
                Layout.preferredWidth: 32
            }
        }
    }
    Label {
        objectName: "metsaCompetitionIdError"
        visible: text !== ""
        text: root.model.competitionIdError
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "metsaPasscodeError"
        visible: text !== ""
        text: root.model.passcodeError
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "metsaKeyStoreNotice"
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
            objectName: "metsaPublishNowButton"
            text: qsTranslate("Vexlo", "Publish now")
            icon.name: "go-up"
            enabled: root.model.canPublishNow
            onClicked: root.model.publishNow()
            ToolTip.visible: hovered
            ToolTip.text: qsTranslate("Vexlo", "Immediate full sync, bypassing the batch interval.")
        }
        BusyIndicator {
            objectName: "metsaBusy"
            running: root.model.isPublishing
            visible: running
            Layout.preferredWidth: 20
            Layout.preferredHeight: 20
        }
    }
    Label {
        objectName: "metsaPublishStatus"
        text: root.model.statusText // verbatim
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Item { Layout.fillHeight: true }
}
