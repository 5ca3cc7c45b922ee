import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The O-Checklist tab: the event's record and check-in key from Vexlo Web, the key's copy and
// rotation, the check-in app's set-up, and the check-in pull.
FocusScrollView {
    id: root
    required property OChecklistViewModel model
    contentWidth: availableWidth
    clip: true

    ColumnLayout {
        width: root.availableWidth
        spacing: 10

        Label {
            text: qsTranslate("Vexlo", "O-Checklist")
            font: Theme.headline
            color: Theme.primaryText
        }
        Label {
            text: qsTranslate("Vexlo", "Fetches this event's O-Checklist sync key from Vexlo Web. O-Checklist pushes check-ins and SI card changes via POST requests authenticated with this key.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        RowLayout {
            spacing: 8
            Button {
                objectName: "refreshButton"
                text: qsTranslate("Vexlo", "Refresh")
                icon.name: "view-refresh"
                enabled: root.model.canFetch
                onClicked: root.model.refresh()
                Keys.onReturnPressed: if (enabled) clicked()
            }
            BusyIndicator {
                running: root.model.isLoading
                visible: running
                Layout.preferredWidth: 20
                Layout.preferredHeight: 20
            }
        }
        Label {
            objectName: "fetchStatus"
            text: root.model.fetchStatus
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Rectangle {
            visible: root.model.hasEvent
            color: Theme.divider
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }
        ColumnLayout {
            objectName: "eventDetails"
            visible: root.model.hasEvent
            spacing: 8
            Layout.fillWidth: true

            GridLayout {
                columns: 2
                columnSpacing: 8
                rowSpacing: 4
                Label { text: qsTranslate("Vexlo", "Event"); font: Theme.body; color: Theme.secondaryText }
                Label { objectName: "eventName"; text: root.model.eventName; font: Theme.body; color: Theme.primaryText }
                Label { text: qsTranslate("Vexlo", "Event date"); font: Theme.body; color: Theme.secondaryText }
                Label { text: root.model.eventDate; font: Theme.body; color: Theme.primaryText }
                Label { text: qsTranslate("Vexlo", "Event id"); font: Theme.body; color: Theme.secondaryText }
                Label { text: root.model.eventId; font: Theme.body; color: Theme.primaryText }
            }
            Rectangle { color: Theme.divider; Layout.fillWidth: true; Layout.preferredHeight: 1 }
            Label {
                text: qsTranslate("Vexlo", "O-Checklist setup")
                font.pixelSize: Theme.subheadline.pixelSize
                font.bold: true
                color: Theme.primaryText
            }
            Label {
                text: qsTranslate("Vexlo", "In O-Checklist, add a custom HTTP header to its POST configuration for this event, using this key as the value (header name per O-Checklist's own settings screen). This key is captured once and cached locally — it will NOT change on future Refreshes.")
                font: Theme.caption
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Rectangle {
                visible: root.model.hasChecklistKey
                radius: 6
                color: Theme.tint("gray", 0.12)
                implicitWidth: keyRow.implicitWidth + 16
                implicitHeight: keyRow.implicitHeight + 16
                Layout.maximumWidth: root.availableWidth
                RowLayout {
                    id: keyRow
                    anchors.fill: parent
                    anchors.margins: 8
                    spacing: 8
                    TextEdit {
                        objectName: "checklistKey"
                        text: root.model.checklistKey
                        readOnly: true
                        selectByMouse: true
                        font.family: "monospace"
                        font.pixelSize: Theme.body.pixelSize
                        color: Theme.primaryText
                        wrapMode: TextEdit.WrapAnywhere
                        Layout.fillWidth: true
                    }
                    Button {
                        objectName: "copyKeyButton"
                        flat: true
                        icon.name: "edit-copy"
                        onClicked: root.model.copyKey()
                        Keys.onReturnPressed: clicked()
                        ToolTip.visible: hovered
                        ToolTip.text: qsTranslate("Vexlo", "Copy to clipboard")
                        Accessible.name: qsTranslate("Vexlo", "Copy to clipboard")
                    }
                }
            }
            Label {
                objectName: "noKeyHint"
                visible: !root.model.hasChecklistKey
                text: qsTranslate("Vexlo", "No checklist key captured yet for this race — press Refresh once to obtain it.")
                font: Theme.caption
                color: Theme.tint("orange", 1)
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Button {
                objectName: "rotateButton"
                text: qsTranslate("Vexlo", "Rotate key...")
                icon.name: "view-refresh"
                enabled: root.model.canFetch
                onClicked: rotateDialog.open()
                Keys.onReturnPressed: if (enabled) clicked()
                ToolTip.visible: hovered
                ToolTip.text: qsTranslate("Vexlo", "Issues a brand-new key, invalidating the current one. O-Checklist must be reconfigured with the new key afterward.")
            }
            Label {
                objectName: "setupLine"
                text: root.model.setupLine // verbatim: an address and a header
                font.pixelSize: 9
                color: Theme.secondaryText
                wrapMode: Text.WrapAnywhere
                Layout.fillWidth: true
            }
            Rectangle { color: Theme.divider; Layout.fillWidth: true; Layout.preferredHeight: 1 }
            Label {
                text: qsTranslate("Vexlo", "Pull check-ins into Vexlo")
                font.pixelSize: Theme.subheadline.pixelSize
                font.bold: true
                color: Theme.primaryText
            }
            Label {
                text: qsTranslate("Vexlo", "Moves participants from \"on the startlist\" to \"checked in\" as O-Checklist reports them (GET /api/entries.php). Also auto-marks DNS, and flags (without applying) any reported SI card changes. Also available as a manual button on the Results tab.")
                font: Theme.caption
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Switch {
                objectName: "autoPullSwitch"
                text: qsTranslate("Vexlo", "Automatically pull")
                checked: root.model.pullEnabled
                onToggled: root.model.pullEnabled = checked
            }
            RowLayout {
                spacing: 8
                Label { text: qsTranslate("Vexlo", "Pull interval"); font: Theme.body; color: Theme.primaryText }
                RowLayout {
                    spacing: 6
                    Layout.preferredWidth: 220
                    Layout.maximumWidth: 220
                    Label {
                        objectName: "pullIntervalLabel"
                        text: root.model.intervalText
                        font: Theme.body
                        color: Theme.primaryText
                        Layout.fillWidth: true
                    }
                    Button {
                        objectName: "pullIntervalDown"
                        text: "−"
                        enabled: root.model.canStepDown
                        onClicked: root.model.step(-1)
                        Layout.preferredWidth: 32
                    }
                    Button {
                        objectName: "pullIntervalUp"
                        text: "+"
                        enabled: root.model.canStepUp
                        onClicked: root.model.step(1)
                        Layout.preferredWidth: 32
                    }
                }
            }
            RowLayout {
                spacing: 8
                Button {
                    objectName: "pullNowButton"
                    text: qsTranslate("Vexlo", "Pull now")
                    icon.name: "go-down"
                    enabled: root.model.canPullNow
                    onClicked: root.model.pullNow()
                    Keys.onReturnPressed: if (enabled) clicked()
                }
                BusyIndicator {
                    running: root.model.isPulling
                    visible: running
                    Layout.preferredWidth: 20
                    Layout.preferredHeight: 20
                }
            }
            Label {
                objectName: "pullStatus"
                text: root.model.pullStatus
                font: Theme.caption
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
        }
    }

    Dialog {
        id: rotateDialog
        objectName: "rotateKeyDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        width: Math.min(440, parent ? parent.width - 40 : 440)
        title: qsTranslate("Vexlo", "Rotate O-Checklist key?")
        Label {
            width: parent.width
            wrapMode: Text.WordWrap
            text: qsTranslate("Vexlo", "This issues a brand-new key and invalidates the current one immediately. O-Checklist will stop authenticating until it's reconfigured with the new key.")
        }
        footer: DialogButtonBox {
            Button {
                text: qsTranslate("Vexlo", "Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                Keys.onReturnPressed: clicked()
            }
            Button {
                objectName: "confirmRotateButton"
                text: qsTranslate("Vexlo", "Rotate")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: { rotateDialog.close(); root.model.rotateKey() }
                Keys.onReturnPressed: clicked()
            }
        }
    }
}
