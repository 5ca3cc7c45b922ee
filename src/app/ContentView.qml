import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// The sidebar column beside the detail pane.
Item {
    id: root
    required property ContentViewModel contentModel
    required property LanguagePickerViewModel languagePicker
    required property ReceiptSettings receiptSettings
    property QtObject raceStore
    property QtObject reader

    readonly property int sidebarWidth: 220
    readonly property int minimumWidth: sidebarWidth + 700
    readonly property int minimumHeight: 600

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Sidebar {
            contentModel: root.contentModel
            Layout.preferredWidth: root.sidebarWidth
            Layout.maximumWidth: root.sidebarWidth
            Layout.fillHeight: true
        }
        Rectangle {
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            color: Theme.divider
        }
        DetailPane {
            contentModel: root.contentModel
            languagePicker: root.languagePicker
            receiptSettings: root.receiptSettings
            raceStore: root.raceStore
            reader: root.reader
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
    }
}
