import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// Every result of the event grouped by class, newest first within a class.
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
            required property int index
            required property string runnerName
            required property string valueText
            required property bool valueMissing
            rowIndex: index
            width: ListView.view.width
            height: 24
            Label {
                anchors.left: parent.left
                anchors.leftMargin: 16
                anchors.right: value.left
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: parent.runnerName
                font: Theme.body
                color: Theme.primaryText
                elide: Text.ElideRight
            }
            Label {
                id: value
                anchors.right: parent.right
                anchors.rightMargin: 16
                anchors.verticalCenter: parent.verticalCenter
                text: parent.valueText
                font: Theme.headline
                color: parent.valueMissing ? Theme.tint("orange", 1.0) : Theme.primaryText
            }
        }
    }
}
