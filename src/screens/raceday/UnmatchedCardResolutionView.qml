import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// The list side of the unmatched-card sheet: the card, the course its punches identify, and the
// entries without a card that run it, each with "Assign card". The editor side is the participant
// editor, opened by the window when the sheet's mode is "editor". On a slave only a notice.
ColumnLayout {
    id: root
    required property UnmatchedCardSheet sheet
    spacing: 12
    implicitWidth: 460

    Label {
        objectName: "unmatchedSheetTitle"
        text: root.sheet.titleText
        font.pixelSize: Theme.title3.pixelSize
        font.bold: true
        color: Theme.primaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        visible: root.sheet.mode === "list"
        text: root.sheet.courseText
        font: Theme.subheadline
        color: Theme.secondaryText
    }
    Label {
        visible: root.sheet.mode === "list"
        text: qsTranslate("Vexlo", "Assign this card to an existing entry (registered with no card yet):")
        font: Theme.subheadline
        color: Theme.primaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "unmatchedSheetNotice"
        visible: text !== ""
        text: root.sheet.mode === "slave" ? root.sheet.slaveNotice : root.sheet.problemText
        font: Theme.body
        color: Theme.tint(root.sheet.mode === "slave" ? "orange" : "red", 1.0)
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    ListView {
        objectName: "candidateList"
        visible: root.sheet.mode === "list"
        model: root.sheet.candidates
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        Layout.fillWidth: true
        Layout.preferredHeight: Math.max(120, Math.min(260, contentHeight))
        ScrollBar.vertical: ScrollBar {}
        delegate: StripedRowBackground {
            id: candidate
            required property int index
            required property var modelData
            objectName: "candidate_" + modelData.name
            rowIndex: index
            width: ListView.view.width
            implicitHeight: 44
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                ColumnLayout {
                    spacing: 2
                    Label { text: candidate.modelData.name; font: Theme.body; color: Theme.primaryText }
                    Label { text: candidate.modelData.className; font: Theme.caption; color: Theme.secondaryText }
                }
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "assignCardButton"
                    text: qsTranslate("Vexlo", "Assign card")
                    onClicked: root.sheet.assignCard(candidate.modelData.id)
                }
            }
        }
    }
    Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
    RowLayout {
        Layout.fillWidth: true
        Button {
            objectName: "unmatchedSheetCancel"
            text: qsTranslate("Vexlo", "Cancel")
            onClicked: root.sheet.cancel()
        }
        Item { Layout.fillWidth: true }
        Button {
            objectName: "registerNewButton"
            visible: root.sheet.mode === "list"
            text: qsTranslate("Vexlo", "Register new participant instead")
            highlighted: true
            onClicked: root.sheet.registerNew()
        }
    }
}
