import QtQuick

// Makes its parent a drag source for one runner: past a few pixels of movement the screen's
// floating label follows the pointer and, on release, drops the runner's id where it is. It keeps
// the press from the surrounding list, so dragging a name never scrolls instead.
MouseArea {
    id: root
    required property Item dragHost
    property string runnerId
    property string name
    property int row: -1
    property bool dragging: false
    property point pressPoint
    anchors.fill: parent
    preventStealing: true
    cursorShape: dragging ? Qt.ClosedHandCursor : Qt.OpenHandCursor
    onPressed: mouse => {
        pressPoint = Qt.point(mouse.x, mouse.y)
        dragging = false
    }
    onPositionChanged: mouse => {
        const scene = mapToItem(null, mouse.x, mouse.y)
        if (!dragging && Math.abs(mouse.x - pressPoint.x) + Math.abs(mouse.y - pressPoint.y) > 6) {
            dragging = true
            dragHost.beginDrag(runnerId, name, row, scene)
        } else if (dragging) {
            dragHost.moveDrag(scene)
        }
    }
    onReleased: {
        if (dragging) {
            dragging = false
            dragHost.endDrag()
        }
    }
    onCanceled: {
        if (dragging) {
            dragging = false
            dragHost.endDrag()
        }
    }
}
