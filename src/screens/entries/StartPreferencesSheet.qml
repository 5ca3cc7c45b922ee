import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Entries

// Every runner with an early or late wish for the active stage, by class. Read only.
Popup {
    id: root
    required property StartSheetsViewModel model
    objectName: "startPreferencesSheet"
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    width: 360; height: 440; padding: 24
    background: Rectangle { color: Theme.contentBackground; radius: 10; border.color: Theme.divider }
    contentItem: ColumnLayout {
        focus: true
        Keys.onReturnPressed: root.close()
        Keys.onEnterPressed: root.close()
        Label { text: qsTranslate("Vexlo", "Start time preferences"); font: Theme.headline }
        Label {
            visible: root.model.preferences.length === 0
            text: qsTranslate("Vexlo", "No runners have a start-time preference set.")
            font: Theme.callout; color: Theme.secondaryText
            horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap
            Layout.fillWidth: true; Layout.fillHeight: true
        }
        ListView {
            visible: root.model.preferences.length > 0
            Layout.fillWidth: true; Layout.fillHeight: true; clip: true
            model: root.model.preferences
            delegate: Rectangle {
                required property var modelData
                required property int index
                width: ListView.view.width; height: 40
                color: index % 2 === 1 ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"
                Column {
                    anchors.left: parent.left; anchors.verticalCenter: parent.verticalCenter; spacing: 1
                    Label { text: modelData.name }
                    Label { text: modelData.className; font: Theme.caption; color: Theme.secondaryText }
                }
                Label {
                    anchors.right: parent.right; anchors.rightMargin: 8; anchors.verticalCenter: parent.verticalCenter
                    font: Theme.callout
                    text: modelData.early ? "▲ " + qsTranslate("Vexlo", "Early") : "▼ " + qsTranslate("Vexlo", "Late")
                    color: modelData.early ? "#248a3d" : "#c93400"
                }
            }
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        RowLayout {
            Item { Layout.fillWidth: true }
            Button { objectName: "preferencesDone"; text: qsTranslate("Vexlo", "Done"); highlighted: true; onClicked: root.close() }
        }
    }
}
