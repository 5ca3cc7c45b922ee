import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// The card-read toast over the main window's bottom-trailing corner: the result just recorded,
// the card being read out, or the card that belongs to nobody. It hides itself 10 s after the
// last reading and stays out of sight while the reader pane is on screen.
Item {
    id: root
    objectName: "cardReadToast"
    property RaceDayDesk desk
    readonly property bool shown: desk !== null && desk.toastShown

    // At most 360 wide, padded 16 on every side.
    width: 360
    height: card.implicitHeight + 32
    visible: opacity > 0
    opacity: shown ? 1 : 0
    Behavior on opacity { NumberAnimation { duration: 200 } }
    transform: Translate {
        x: root.shown ? 0 : 40
        Behavior on x { NumberAnimation { duration: 200 } }
    }

    Rectangle {
        anchors.fill: parent
        radius: 12
        color: Qt.rgba(0.97, 0.97, 0.97, 0.96)
        border.color: Qt.rgba(0, 0, 0, 0.12)
    }
    // A soft shadow under the card.
    Rectangle {
        z: -1
        anchors.fill: parent
        anchors.margins: -3
        radius: 15
        color: Qt.rgba(0, 0, 0, 0.10)
    }

    ColumnLayout {
        id: card
        x: 16
        y: 16
        width: parent.width - 32
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            IconTitleLabel {
                title: "Card Read"
                systemImage: "wave.3.right"
                font: Theme.headline
            }
            Item { Layout.fillWidth: true }
            ToolButton {
                objectName: "closeToast"
                flat: true
                contentItem: CloseButtonIcon {}
                onClicked: root.desk.closeToast()
            }
        }
        CardStatusBlock {
            desk: root.desk
            inToast: true
            Layout.fillWidth: true
        }
    }
}
