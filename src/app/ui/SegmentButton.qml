import QtQuick
import QtQuick.Controls
import Vexlo.Ui

// One side of a segmented choice (a TabButton in a TabBar): the chosen side is the marked one,
// filled with the accent tint and in bold; the others stay plain.
TabButton {
    id: root
    font.bold: checked
    // From the keyboard (the arrows move along the segments): Return and Enter choose the one the
    // keyboard is on, as Space and a click do.
    Keys.onReturnPressed: choose()
    Keys.onEnterPressed: choose()

    function choose() {
        if (!checked)
            toggle()
        clicked()
    }
    background: Rectangle {
        objectName: "segmentBackground"
        implicitHeight: 26
        radius: 5
        color: root.checked ? Theme.tint("blue", 0.22) : "transparent"
        border.width: 1
        border.color: root.checked ? Theme.tint("blue", 0.6) : Theme.divider
    }
}
