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

    ListView {
        id: grid
        objectName: "gridView"
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

        delegate: Item {
            id: gridRow
            required property var modelData
            required property int index
            readonly property int lines: Math.max(1, Math.max(...modelData.cells.map(c => c.length)))
            width: grid.contentWidth
            height: lines * root.lineHeight + 6
            Rectangle {
                anchors.fill: parent
                color: gridRow.index % 2 === 1 ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"
            }
            Row {
                x: root.leadWidth
                Repeater {
                    model: gridRow.modelData.cells
                    delegate: Rectangle {
                        id: cell
                        required property var modelData
                        required property int index
                        readonly property var column: root.classes[index]
                        objectName: "gridCell_" + gridRow.modelData.seconds + "_" + column.id
                        width: root.classWidth
                        height: gridRow.height
                        color: index % 2 === 1 ? Qt.rgba(0, 0.48, 1, 0.06) : "transparent"
                        DropArea {
                            anchors.fill: parent
                            keys: ["text/plain"]
                            onDropped: drop => {
                                const payload = drop.hasText ? drop.text
                                                             : (drop.source ? drop.source.runnerId : "")
                                root.actions.dropOnGridCell(payload, gridRow.modelData.seconds, cell.column.id)
                                drop.accept()
                            }
                        }
                        Column {
                            x: 6
                            y: 2
                            spacing: 0
                            Repeater {
                                model: cell.modelData
                                delegate: Label {
                                    required property var modelData
                                    objectName: "gridRunnerName"
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
                        }
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
