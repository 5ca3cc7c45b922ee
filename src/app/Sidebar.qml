import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// The section list, the separate "Advanced settings" row and the logo. Each row is a plain
// button that sets the selected section; the list keeps no selection of its own.
Rectangle {
    id: root
    required property ContentViewModel contentModel
    color: Theme.windowBackground

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ListView {
            id: sections
            objectName: "sidebarSections"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.topMargin: 8
            Layout.leftMargin: 6
            Layout.rightMargin: 6
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: root.contentModel.listedItems
            delegate: SidebarRow {
                required property var modelData
                width: sections.width
                sectionId: modelData.id
                title: modelData.title
                systemImage: modelData.systemImage
                tintColor: Theme.tint(modelData.tint)
                selected: root.contentModel.selectedItem === modelData.id
                onClicked: root.contentModel.selectedItem = modelData.id
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.divider
        }

        SidebarRow {
            visible: root.contentModel.showsAdvancedSettings
            Layout.fillWidth: true
            Layout.leftMargin: 6
            Layout.rightMargin: 6
            Layout.topMargin: 4
            Layout.bottomMargin: 4
            rowHeight: 32
            sectionId: "sync"
            title: "Advanced settings"
            systemImage: "gearshape"
            tintColor: Theme.tint("gray")
            selected: root.contentModel.selectedItem === "sync"
            onClicked: root.contentModel.selectedItem = "sync"
        }
        Rectangle {
            visible: root.contentModel.showsAdvancedSettings
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.divider
        }

        SymbolIcon {
            objectName: "sidebarLogo"
            name: "Vexlo Logo"
            Layout.preferredWidth: 100
            Layout.preferredHeight: 100
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 16
            Layout.bottomMargin: 16
            Layout.leftMargin: 12
            Layout.rightMargin: 12
        }
    }
}
