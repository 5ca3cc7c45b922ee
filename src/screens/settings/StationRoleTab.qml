import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The station role tab: role, service name, start and stop, and the engine's state.
ColumnLayout {
    id: root
    required property StationRoleViewModel model
    spacing: 10
    Keys.onReturnPressed: if (root.model.canStart) root.model.start()

    Label {
        text: qsTranslate("Vexlo", "Station Role")
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Standalone: no networking, single station (default). Master: owns the race data and broadcasts it to slave stations. Slave: reads cards locally and submits results to the master; race setup (courses/classes/participants/start list) is read-only here.")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        Label {
            text: qsTranslate("Vexlo", "Role")
            font: Theme.body
            color: Theme.primaryText
        }
        TabBar {
            objectName: "rolePicker"
            currentIndex: root.model.roleIndex
            Layout.maximumWidth: 320
            Repeater {
                model: root.model.roleTitles
                SegmentButton {
                    required property int index
                    required property string modelData
                    text: modelData
                    width: implicitWidth
                    onClicked: root.model.chooseRole(index)
                }
            }
        }
    }
    RowLayout {
        spacing: 8
        Label {
            text: qsTranslate("Vexlo", "Service name")
            font: Theme.body
            color: Theme.primaryText
        }
        NameField {
            objectName: "serviceNameField"
            text: root.model.serviceName
            placeholderText: qsTranslate("Vexlo", "Vexlo Race")
            // Checked as typed, stored when editing ends (a refused name never is).
            onTextEdited: root.model.serviceName = text
            onEditingFinished: root.model.finishServiceName()
            onAccepted: if (root.model.canStart) root.model.start()
            Layout.preferredWidth: 220
        }
    }
    Label {
        objectName: "serviceNameError"
        visible: text !== ""
        text: root.model.serviceNameError
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        Label {
            text: qsTranslate("Vexlo", "Station key")
            font: Theme.body
            color: Theme.primaryText
        }
        TextField {
            objectName: "stationKeyField"
            text: root.model.stationKey
            // The key's shape (three groups of four), drawn as a mask: no word of any language.
            placeholderText: "····-····-····"
            font.family: "monospace"
            onTextEdited: root.model.stationKey = text
            onAccepted: if (root.model.canStart) root.model.start()
            Layout.preferredWidth: 220
        }
    }
    Label {
        text: qsTranslate("Vexlo", "Every station of the event needs the same station key. The master makes one when it is first started; type it once on each slave.")
        font: Theme.caption
        color: Theme.secondaryText
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
            objectName: "startButton"
            text: qsTranslate("Vexlo", "Start")
            icon.name: "media-playback-start"
            enabled: root.model.canStart
            onClicked: root.model.start()
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
        }
        Button {
            objectName: "stopButton"
            text: qsTranslate("Vexlo", "Stop")
            icon.name: "media-playback-stop"
            enabled: root.model.canStop
            onClicked: root.model.stop()
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
        }
    }
    Rectangle {
        color: Theme.divider
        Layout.fillWidth: true
        Layout.preferredHeight: 1
    }
    RowLayout {
        spacing: 8
        Rectangle {
            width: 10
            height: 10
            radius: 5
            objectName: "statusDot"
            color: Theme.tint(root.model.statusTint, 1)
        }
        Label {
            objectName: "syncStatus"
            text: root.model.statusText // verbatim
            font: Theme.callout
            color: Theme.primaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }
    Label {
        objectName: "refusalText"
        visible: text !== ""
        text: root.model.refusalText // verbatim
        font: Theme.caption
        color: Theme.tint("red", 1)
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        text: root.model.connectedText
        font: Theme.caption
        color: Theme.secondaryText
    }
    Item { Layout.fillHeight: true }
}
