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
    // A title too long for the sidebar's width (Danish "Avancerede indstillinger" in semibold)
    // takes a second line rather than being cut off.
    implicitHeight: Math.max(rowHeight, rowTitle.implicitHeight + 8) + 4
    // Reached with Tab like any control; Return or Space opens the section.
    activeFocusOnTab: true
    Keys.onReturnPressed: root.clicked()
    Keys.onEnterPressed: root.clicked()
    Keys.onSpacePressed: root.clicked()
    Accessible.role: Accessible.Button
    Accessible.name: rowTitle.text

    Rectangle {
        anchors.fill: parent
        anchors.topMargin: 2
        anchors.bottomMargin: 2
        radius: 10
        border.width: root.activeFocus ? 2 : 0
        border.color: Theme.sidebarAccent
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
            id: rowTitle
            text: qsTranslate("Vexlo", root.title)
            font.pixelSize: 13
            font.weight: root.selected ? Font.DemiBold : Font.Normal
            color: Theme.primaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: root.clicked()
    }
}
