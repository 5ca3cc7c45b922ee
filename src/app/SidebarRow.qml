import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// One sidebar row: the whole band answers clicks, the chosen row has a tinted rounded
// background and a semibold title.
Item {
    id: root
    property string sectionId
    property string title
    property string systemImage
    property color tintColor
    property bool selected: false
    property int rowHeight: 28
    signal clicked()

    objectName: "sidebarRow_" + sectionId
    implicitHeight: rowHeight + 4

    Rectangle {
        anchors.fill: parent
        anchors.topMargin: 2
        anchors.bottomMargin: 2
        radius: 10
        color: root.selected ? Qt.rgba(Theme.sidebarAccent.r, Theme.sidebarAccent.g, Theme.sidebarAccent.b, 0.16)
                             : "transparent"
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        spacing: 8
        SymbolIcon {
            name: root.systemImage
            color: root.selected ? Theme.sidebarAccent : root.tintColor
            Layout.preferredWidth: 20
            Layout.preferredHeight: 16
        }
        Label {
            text: qsTranslate("Vexlo", root.title)
            font.pixelSize: 13
            font.weight: root.selected ? Font.DemiBold : Font.Normal
            color: Theme.primaryText
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
    }

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: root.clicked()
    }
}
