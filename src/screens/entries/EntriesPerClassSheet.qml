import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Entries

// How many runners each class has for the active stage. Read only; "Done" (Return) closes it.
Popup {
    id: root
    required property StartSheetsViewModel model
    objectName: "entriesPerClassSheet"
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    width: 360; height: 440; padding: 16
    background: Rectangle { color: Theme.contentBackground; radius: 10; border.color: Theme.divider }
    contentItem: ColumnLayout {
        focus: true
        Keys.onReturnPressed: root.close()
        Keys.onEnterPressed: root.close()
        RowLayout {
            Label { text: qsTranslate("Vexlo", "Entries per class"); font: Theme.headline }
            Item { Layout.fillWidth: true }
            ComboBox {
                objectName: "sortByPicker"
                Layout.preferredWidth: 100
                Accessible.name: qsTranslate("Vexlo", "Sort by")
                model: [qsTranslate("Vexlo", "Class"), qsTranslate("Vexlo", "Count")]
                currentIndex: root.model.sortField
                onActivated: index => root.model.sortField = index
            }
            ToolButton {
                objectName: "sortDirectionButton"
                text: root.model.ascending ? "↑" : "↓"
                onClicked: root.model.ascending = !root.model.ascending
            }
        }
        ListView {
            Layout.fillWidth: true; Layout.fillHeight: true; clip: true
            ScrollBar.vertical: ScrollBar { id: countsBar; policy: ScrollBar.AlwaysOn }
            model: root.model.classCounts
            delegate: Rectangle {
                required property var modelData
                required property int index
                // The rows end where the scroll bar begins, so the counts never run under it.
                width: ListView.view.width - countsBar.width; height: 26
                color: index % 2 === 1 ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"
                Label {
                    anchors.left: parent.left; anchors.leftMargin: 4; anchors.right: countLabel.left; anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.name; elide: Text.ElideRight
                }
                Label {
                    id: countLabel
                    anchors.right: parent.right; anchors.rightMargin: 8; anchors.verticalCenter: parent.verticalCenter
                    text: modelData.count; color: Theme.secondaryText
                }
            }
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        RowLayout {
            Item { Layout.fillWidth: true }
            Button { objectName: "entriesDone"; text: qsTranslate("Vexlo", "Done"); highlighted: true; onClicked: root.close() }
        }
    }
}
