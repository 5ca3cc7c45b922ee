import QtQuick
import QtQuick.Controls
import Vexlo.Ui

// The grid body: one row per start second, one column per class. The header follows the grid
// sideways and stays at the top; the time and count cells stay at the leading edge. A runner's
// name dropped on a cell takes that cell's time and class.
Item {
    id: root
    objectName: "startGrid"
    required property QtObject screen
    required property Item dragHost
    required property QtObject actions

    readonly property int timeWidth: 70
    readonly property int countWidth: 36
    readonly property int classWidth: 140
    readonly property int lineHeight: 15
    readonly property int leadWidth: timeWidth + countWidth
    // Read once per change of the grid: every cell looks its column up here.
    readonly property var classes: actions.snapshot(screen.gridClasses)
    readonly property alias view: grid

    Item {
        id: header
        width: parent.width
        height: headerRow.implicitHeight + 8
        clip: true
        Rectangle { anchors.fill: parent; color: Theme.windowBackground }
        Row {
            id: headerRow
            x: root.leadWidth - grid.contentX
            y: 4
            Repeater {
                model: root.classes
                delegate: Rectangle {
                    required property var modelData
                    required property int index
                    width: root.classWidth
                    height: headerName.implicitHeight + 8
                    color: index % 2 === 1 ? Qt.rgba(0, 0.48, 1, 0.06) : "transparent"
                    Label {
                        id: headerName
                        objectName: "gridHeaderName"
                        x: 6
                        y: 4
                        width: root.classWidth - 12
                        elide: Text.ElideRight
                        text: modelData.name
                        font.pixelSize: Theme.caption.pixelSize
                        font.bold: true
                    }
                }
            }
        }
        Rectangle {
            width: root.leadWidth
            height: parent.height
            color: Theme.windowBackground
            Row {
                y: 4
                Label {
                    width: root.timeWidth
                    leftPadding: 6
                    text: qsTranslate("Vexlo", "Time")
                    font.pixelSize: Theme.caption.pixelSize
                    font.bold: true
                }
                Label {
                    width: root.countWidth
                    leftPadding: 6
                    text: qsTranslate("Vexlo", "#")
                    font.pixelSize: Theme.caption.pixelSize
                    font.bold: true
                }
            }
        }
    }
    Rectangle {
        id: divider
        anchors.top: header.bottom
        width: parent.width
        height: 1
        color: Theme.divider
    }

    // The blue band of every other class column, the whole height of the grid, moving sideways
    // with it.
    Item {
        anchors.fill: grid
        clip: true
        Row {
            x: root.leadWidth - grid.contentX
            Repeater {
                model: root.classes.length
                delegate: Rectangle {
                    required property int index
                    width: root.classWidth
                    height: grid.height
                    color: index % 2 === 1 ? Qt.rgba(0, 0.48, 1, 0.06) : "transparent"
                }
            }
        }
    }

    ListView {
        id: grid
        objectName: "gridView"
        KeepsEndInView { view: grid }
        anchors.top: divider.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        flickableDirection: Flickable.HorizontalAndVerticalFlick
        contentWidth: root.leadWidth + root.classes.length * root.classWidth
        topMargin: 4
        bottomMargin: 4
        reuseItems: true
        ScrollBar.vertical: ScrollBar {}
        ScrollBar.horizontal: ScrollBar {}
        model: root.screen.gridRows

        // A row holds only its runners' names (a few per minute), not a cell item per class:
        // the column bands are drawn once behind the grid, and one drop area per row finds the
        // column under the drop.
        delegate: Item {
            id: gridRow
            required property var modelData
            required property int index
            readonly property var entries: root.actions.gridEntries(modelData.cells)
            readonly property int lines: entries.reduce((most, e) => Math.max(most, e.line + 1), 1)
            objectName: "gridRow_" + modelData.seconds
            width: grid.contentWidth
            height: lines * root.lineHeight + 6
            Rectangle {
                anchors.fill: parent
                visible: gridRow.index % 2 === 1
                color: Qt.rgba(0.5, 0.5, 0.5, 0.12)
            }
            DropArea {
                x: root.leadWidth
                width: parent.width - root.leadWidth
                height: parent.height
                keys: ["text/plain"]
                onDropped: drop => {
                    const payload = drop.hasText ? drop.text : (drop.source ? drop.source.runnerId : "")
                    const column = Math.floor(drop.x / root.classWidth)
                    if (column >= 0 && column < root.classes.length)
                        root.actions.dropOnGridCell(payload, gridRow.modelData.seconds, root.classes[column].id)
                    drop.accept()
                }
            }
            Repeater {
                model: gridRow.entries
                delegate: Label {
                    required property var modelData
                    readonly property int column: modelData.column
                    objectName: "gridRunnerName"
                    x: root.leadWidth + modelData.column * root.classWidth + 6
                    y: 2 + modelData.line * root.lineHeight
                    width: root.classWidth - 12
                    height: root.lineHeight
                    elide: Text.ElideRight
                    text: modelData.name
                    font.pixelSize: Theme.caption.pixelSize
                    DragSource {
                        dragHost: root.dragHost
                        runnerId: parent.modelData.id
                        name: parent.modelData.name
                    }
                }
            }
            // The time column stays at the leading edge, opaque, with the row's band.
            Rectangle {
                x: grid.contentX
                width: root.leadWidth
                height: parent.height
                color: Theme.windowBackground
                Rectangle {
                    anchors.fill: parent
                    color: gridRow.index % 2 === 1 ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"
                }
                Row {
                    y: 2
                    Label {
                        objectName: "gridTime_" + gridRow.modelData.time
                        width: root.timeWidth
                        leftPadding: 6
                        text: gridRow.modelData.time
                        font.pixelSize: Theme.caption.pixelSize
                        font.family: "monospace"
                    }
                    Label {
                        width: root.countWidth
                        leftPadding: 6
                        text: gridRow.modelData.count
                        font.pixelSize: Theme.caption.pixelSize
                        color: Theme.secondaryText
                    }
                }
            }
        }
    }
}
