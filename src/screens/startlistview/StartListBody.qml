import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The list body: "Scheduled" in start order with alternating time bands, then "Unscheduled" when
// it has runners. A scheduled row dragged onto another scheduled row takes its place; the start
// time opens the edit sheet; the clock opens the preference menu.
ListView {
    id: root
    objectName: "startList"
    required property QtObject screen
    required property Item dragHost
    required property QtObject actions
    signal editTime(string id)
    KeepsEndInView { view: root }


    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {}
    // The two sections one after the other, rebuilt as the lists change.
    model: root.actions.listRows(root.screen.scheduled, root.screen.unscheduled)
    header: SectionHeader { text: qsTranslate("Vexlo", "Scheduled"); width: root.width }

    delegate: Column {
        id: row
        required property var modelData
        required property int index
        readonly property bool scheduled: modelData.scheduled
        width: root.width

        SectionHeader {
            visible: row.modelData.opensUnscheduled
            width: row.width
            text: qsTranslate("Vexlo", "Unscheduled")
        }

        Rectangle {
            objectName: "listRow_" + row.modelData.name
            width: row.width
            height: Math.max(44, details.implicitHeight + 10)
            color: row.scheduled && row.modelData.band ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"

            DropArea {
                anchors.fill: parent
                keys: ["text/plain"]
                onDropped: drop => {
                    const from = drop.source ? drop.source.fromRow : -1
                    if (row.scheduled)
                        root.actions.moveScheduledRow(root.actions.rowIds(root.screen.scheduled), from, row.index)
                    else
                        root.actions.refuseDrop()
                    drop.accept()
                }
            }

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                spacing: 8

                Column {
                    id: details
                    Layout.fillWidth: true
                    spacing: 1
                    Label {
                        width: parent.width
                        elide: Text.ElideRight
                        objectName: "runnerName"
                        text: row.modelData.name
                        font: Theme.headline
                        color: Theme.primaryText
                        DragSource {
                            enabled: row.scheduled
                            dragHost: root.dragHost
                            runnerId: row.modelData.id
                            name: row.modelData.name
                            row: row.index
                        }
                    }
                    Label {
                        width: parent.width
                        elide: Text.ElideRight
                        objectName: "cardLine"
                        text: row.modelData.cardLine
                        font: Theme.caption
                        color: Theme.secondaryText
                    }
                    Label {
                        visible: row.modelData.rentalCard
                        text: qsTranslate("Vexlo", "⚠ Rent-a-card — assign a physical card before start")
                        font: Theme.caption
                        color: "#c93400"
                    }
                }

                PreferenceMenuButton {
                    preference: row.modelData.preference
                    onChosen: value => root.actions.setPreference(row.modelData.id, value)
                }

                Button {
                    objectName: "startTimeButton"
                    flat: true
                    Layout.preferredWidth: 100
                    contentItem: Label {
                        text: row.modelData.timeLabel
                        font.family: "monospace"
                        font.pixelSize: Theme.body.pixelSize
                        color: "#0a60d0"
                        horizontalAlignment: Text.AlignLeft
                    }
                    onClicked: root.editTime(row.modelData.id)
                }
            }
        }
    }
}
