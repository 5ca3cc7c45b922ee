import QtQuick
import QtQuick.Controls
import Vexlo.Ui

// A section title of the start list.
Rectangle {
    property alias text: label.text
    implicitHeight: label.implicitHeight + 10
    color: Theme.windowBackground
    Label {
        id: label
        anchors.left: parent.left
        anchors.leftMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        font: Theme.headline
        color: Theme.secondaryText
    }
}
