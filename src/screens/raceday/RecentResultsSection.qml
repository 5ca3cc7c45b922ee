import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// Every result of the event grouped by class, newest first within a class; in an event with
// stages, each read of another day than the active stage's names its day.
ColumnLayout {
    id: root
    property RecentResultsModel model
    spacing: 4

    Label {
        text: qsTranslate("Vexlo", "Recent Results")
        font: Theme.headline
        color: Theme.primaryText
        Layout.topMargin: 12
        Layout.leftMargin: 16
        Layout.rightMargin: 16
    }
    ListView {
        id: list
        objectName: "recentResultsList"
        KeepsEndInView { view: list }
        model: root.model
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        Layout.fillWidth: true
        Layout.fillHeight: true
        ScrollBar.vertical: ScrollBar {}

        section.property: "group"
        section.delegate: Label {
            required property string section
            width: ListView.view.width
            text: section
            font: Theme.headline
            color: Theme.primaryText
            leftPadding: 16
            topPadding: 8
            bottomPadding: 4
        }
        delegate: StripedRowBackground {
            id: recentRow
            required property int index
            required property string runnerName
            required property string valueText
            required property bool valueMissing
            required property string statusText
            required property bool repeatRead
            required property string earlierReadText
            required property string stageText
            rowIndex: index
            width: ListView.view.width
            height: 24
            Label {
                anchors.left: parent.left
                anchors.leftMargin: 16
                anchors.right: marks.left
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: parent.runnerName
                font: Theme.body
                color: Theme.primaryText
                // Long names elide here; the tooltip and the card result panel show them whole.
                objectName: "recentRunnerName"
                elide: Text.ElideRight
                ToolTip.visible: truncated && nameHover.hovered
                ToolTip.text: text
                HoverHandler { id: nameHover }
            }
            // Anything but a clean first read is said in words beside the value.
            Row {
                id: marks
                anchors.right: parent.right
                anchors.rightMargin: 16
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                // In an event with stages, the day of a read that is not the active stage's.
                Label {
                    objectName: "recentStage"
                    visible: recentRow.stageText !== ""
                    text: recentRow.stageText
                    font: Theme.caption
                    color: Theme.secondaryText
                    anchors.verticalCenter: parent.verticalCenter
                }
                Label {
                    objectName: "recentRepeat"
                    visible: recentRow.repeatRead
                    text: qsTranslate("Vexlo", "Read again")
                    font: Theme.caption
                    color: Theme.tint("orange", 1.0)
                    anchors.verticalCenter: parent.verticalCenter
                }
                // A read superseded by a later one of the same runner and stage: listed, not
                // ranked, as the Results screen says.
                Label {
                    objectName: "recentEarlierRead"
                    visible: recentRow.earlierReadText !== ""
                    text: recentRow.earlierReadText
                    font: Theme.caption
                    color: Theme.tint("orange", 1.0)
                    anchors.verticalCenter: parent.verticalCenter
                }
                Label {
                    objectName: "recentStatus"
                    visible: recentRow.statusText !== ""
                    text: recentRow.statusText
                    font: Theme.caption
                    color: Theme.tint("red", 1.0)
                    anchors.verticalCenter: parent.verticalCenter
                }
                Label {
                    text: recentRow.valueText
                    // Bold only for a clean run that counts: a mispunch's time, or an earlier
                    // read's, is not a result.
                    font.pixelSize: Theme.headline.pixelSize
                    font.bold: recentRow.statusText === "" && recentRow.earlierReadText === ""
                        && !recentRow.valueMissing
                    color: recentRow.valueMissing ? Theme.tint("orange", 1.0)
                         : recentRow.statusText !== "" || recentRow.earlierReadText !== ""
                           ? Theme.secondaryText : Theme.primaryText
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }
}
