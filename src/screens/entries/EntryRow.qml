import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Entries

// One entry of the list: who, card, class, start, club and check-in, the card warnings, one
// column per stage (or the in-row course picker), "Edit" and delete. Reused for other entries as
// the list scrolls, so everything shown comes from the row's model roles.
Rectangle {
    id: row
    required property int index
    required property string entryId
    required property string name
    required property string detail
    required property string checklistWarning
    required property string rentalWarning
    required property string duplicateWarning
    required property var stageColumns
    required property bool showsCoursePicker
    required property var courseOptions
    required property string courseId
    property EntriesScreen screen

    objectName: "entryRow_" + name
    implicitHeight: content.implicitHeight + 4
    color: index % 2 === 1 ? Theme.stripe : "transparent"

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 4
        anchors.rightMargin: 4
        anchors.topMargin: 2
        anchors.bottomMargin: 2
        spacing: 8

        AbstractButton {
            objectName: "entryInfo"
            Layout.fillWidth: true
            Accessible.name: row.name
            // The bare button takes no size from its content by itself.
            implicitWidth: implicitContentWidth + leftPadding + rightPadding
            implicitHeight: implicitContentHeight + topPadding + bottomPadding
            onClicked: row.screen.editParticipant(row.entryId)
            PointingHandOnHover {}
            contentItem: ColumnLayout {
                spacing: 2
                Label {
                    objectName: "entryName"
                    Layout.fillWidth: true
                    text: row.name
                    font: Theme.headline
                    color: Theme.primaryText
                    elide: Text.ElideRight
                }
                Label {
                    objectName: "entryDetail"
                    Layout.fillWidth: true
                    text: row.detail
                    font: Theme.caption
                    color: Theme.secondaryText
                    wrapMode: Text.Wrap
                }
                Label {
                    objectName: "checklistWarning"
                    visible: row.checklistWarning !== ""
                    Layout.fillWidth: true
                    text: row.checklistWarning
                    font: Theme.caption
                    color: Theme.tint("orange", 1)
                    wrapMode: Text.Wrap
                }
                Label {
                    objectName: "rentalWarning"
                    visible: row.rentalWarning !== ""
                    Layout.fillWidth: true
                    text: row.rentalWarning
                    font: Theme.caption
                    color: Theme.tint("orange", 1)
                    wrapMode: Text.Wrap
                }
                Label {
                    objectName: "duplicateWarning"
                    visible: row.duplicateWarning !== ""
                    Layout.fillWidth: true
                    text: row.duplicateWarning
                    font: Theme.caption
                    color: Theme.error
                    wrapMode: Text.Wrap
                }
            }
            background: Rectangle {
                color: parent.visualFocus ? Qt.rgba(0.5, 0.5, 0.5, 0.15) : "transparent"
                radius: 4
            }
        }

        Repeater {
            model: row.stageColumns
            ColumnLayout {
                required property var modelData
                Layout.preferredWidth: 130
                Layout.maximumWidth: 130
                spacing: 1
                Label {
                    Layout.fillWidth: true
                    text: modelData.name
                    font: Theme.caption
                    color: Theme.secondaryText
                    elide: Text.ElideRight
                }
                Label {
                    objectName: "stageSummary"
                    Layout.fillWidth: true
                    text: modelData.summary
                    font: Theme.caption
                    color: Theme.primaryText
                    wrapMode: Text.Wrap
                }
            }
        }

        // "(Class default)" is the empty id, so the shared picker's "no selection" does not fit.
        ComboBox {
            id: coursePicker
            objectName: "rowCoursePicker"
            visible: row.showsCoursePicker
            Layout.preferredWidth: 200
            Accessible.name: qsTranslate("Vexlo", "Course")
            textRole: "text"
            valueRole: "value"
            model: row.courseOptions
            function showSelection() { currentIndex = indexOfValue(row.courseId) }
            onCountChanged: showSelection()
            onModelChanged: showSelection()
            Component.onCompleted: showSelection()
            Connections {
                target: row
                function onCourseIdChanged() { coursePicker.showSelection() }
            }
            onActivated: index => {
                row.screen.setParticipantCourse(row.entryId, valueAt(index))
                showSelection()
            }
        }

        Button {
            objectName: "editEntryButton"
            flat: true
            Accessible.name: qsTranslate("Vexlo", "Edit")
            contentItem: EditButtonLabel {}
            onClicked: row.screen.editParticipant(row.entryId)
        }
        ToolButton {
            objectName: "deleteEntryButton"
            Accessible.name: qsTranslate("Vexlo", "Delete")
            contentItem: TrashIcon { color: Theme.error }
            onClicked: row.screen.deleteParticipant(row.entryId)
        }
    }
}
