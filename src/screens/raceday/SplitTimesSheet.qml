import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The split-times sheet of one result: runner, card and course, start and finish, the override
// or review note, and the split table with its finish line. Return or "Close" close it.
Sheet {
    id: root
    property var detail: ({})
    signal closeRequested()
    readonly property bool scoreColumn: detail.scoreColumn === true
    width: Math.max(360, Math.min(460, parent ? parent.width - 40 : 400))
    height: Math.max(300, Math.min(480, parent ? parent.height - 40 : 420))
    padding: 20
    onDefaultAction: root.closeRequested()
    onClosed: root.closeRequested()

    component Cell: Label {
        property int cellWidth: 80
        Layout.preferredWidth: cellWidth
        Layout.maximumWidth: cellWidth
        font.pixelSize: Theme.caption.pixelSize
        elide: Text.ElideRight
    }

    contentItem: ColumnLayout {
        objectName: root.objectName
        spacing: 6
        RowLayout {
            Layout.fillWidth: true
            Label {
                objectName: "splitSheetTitle"
                text: root.detail.title || ""
                font.pixelSize: Theme.title3.pixelSize
                font.bold: true
                color: Theme.primaryText
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            ToolButton {
                objectName: "splitSheetCloseIcon"
                contentItem: CloseButtonIcon {}
                Accessible.name: qsTranslate("Vexlo", "Close")
                onClicked: root.closeRequested()
            }
        }
        Label {
            objectName: "splitSheetCardLine"
            text: root.detail.cardLine || ""
            font: Theme.caption
            color: Theme.secondaryText
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        RowLayout {
            spacing: 16
            Label {
                objectName: "splitSheetStart"
                text: root.detail.startText || ""
                font: Theme.caption
                color: root.detail.startMissing ? Theme.tint("orange", 1.0) : Theme.primaryText
            }
            Label {
                objectName: "splitSheetFinish"
                text: root.detail.finishText || ""
                font: Theme.caption
                color: root.detail.finishMissing ? Theme.tint("orange", 1.0) : Theme.primaryText
            }
        }
        Repeater {
            model: [
                { name: "splitSheetOverride", text: root.detail.overrideLine || "" },
                { name: "splitSheetReviewNote", text: root.detail.reviewNote || "" }
            ]
            Label {
                required property var modelData
                objectName: modelData.name
                visible: modelData.text !== ""
                text: modelData.text
                font: Theme.caption
                color: Theme.tint("orange", 1.0)
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
        }
        RowLayout {
            spacing: 0
            Cell { cellWidth: 40; text: qsTranslate("Vexlo", "#"); color: Theme.secondaryText }
            Cell { text: qsTranslate("Vexlo", "Control"); color: Theme.secondaryText }
            Cell { text: qsTranslate("Vexlo", "Split"); color: Theme.secondaryText }
            Cell { text: qsTranslate("Vexlo", "From start"); color: Theme.secondaryText }
            Cell { cellWidth: 60; visible: root.scoreColumn; text: qsTranslate("Vexlo", "Score"); color: Theme.secondaryText }
        }
        ListView {
            objectName: "splitLines"
            model: root.detail.lines || []
            clip: true
            spacing: 2
            boundsBehavior: Flickable.StopAtBounds
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar {}
            delegate: RowLayout {
                required property var modelData
                spacing: 0
                Cell { cellWidth: 40; text: modelData.number }
                Cell { text: modelData.control }
                Cell {
                    text: modelData.split
                    color: modelData.splitTone === "" ? Theme.primaryText : Theme.tint(modelData.splitTone, 1.0)
                }
                Cell {
                    text: modelData.fromStart
                    color: modelData.fromStartDimmed ? Theme.secondaryText : Theme.primaryText
                }
                Cell {
                    cellWidth: 60
                    visible: root.scoreColumn
                    text: modelData.score
                    color: modelData.scoreDimmed ? Theme.secondaryText : Theme.primaryText
                }
            }
            footer: RowLayout {
                visible: root.detail.hasFinishLine === true
                height: visible ? implicitHeight + 2 : 0
                spacing: 0
                Cell { cellWidth: 40; text: "" }
                Cell { objectName: "finishLineLabel"; text: qsTranslate("Vexlo", "Finish"); font.bold: true }
                Cell { objectName: "finishLeg"; text: root.detail.finishLeg || ""; font.bold: true }
                Cell { objectName: "finishTotal"; text: root.detail.finishTotal || ""; font.bold: true }
            }
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        RowLayout {
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            Button {
                objectName: "splitSheetClose"
                text: qsTranslate("Vexlo", "Close")
                highlighted: true
                onClicked: root.closeRequested()
            }
        }
    }
}
