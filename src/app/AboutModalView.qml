import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// Why the product exists, the disclaimer and privacy; the closing line is shown as it stands.
SheetPopup {
    id: root
    signal closeRequested()
    objectName: "aboutSheet"
    width: Math.max(420, Math.min(460, parent ? parent.width - 40 : 460))
    height: Math.max(320, Math.min(460, parent ? parent.height - 40 : 460))
    onClosed: root.closeRequested()
    onDefaultAction: root.closeRequested()

    contentItem: ColumnLayout {
        spacing: 16
        anchors.fill: parent
        anchors.margins: 20

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: qsTranslate("Vexlo", "About Vexlo")
                font: Theme.title2
                color: Theme.primaryText
            }
            Label {
                objectName: "aboutVersion"
                text: IntroductionModel.versionText
                font: Theme.caption
                color: Theme.secondaryText
                Layout.alignment: Qt.AlignBaseline
            }
            Item { Layout.fillWidth: true }
            ToolButton {
                objectName: "aboutClose"
                contentItem: CloseButtonIcon {}
                onClicked: root.closeRequested()
                PointingHandOnHover {}
            }
        }
        ScrollView {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical.policy: ScrollBar.AlwaysOn
            contentWidth: availableWidth

            ColumnLayout {
                width: scroller.availableWidth - 16
                spacing: 10
                Repeater {
                    model: IntroductionModel.aboutBlocks
                    delegate: ColumnLayout {
                        id: block
                        required property var modelData
                        spacing: 2
                        Layout.fillWidth: true
                        Label {
                            text: qsTranslate("Vexlo", block.modelData.heading)
                            font.pixelSize: Theme.caption.pixelSize
                            font.bold: true
                            color: Theme.secondaryText
                        }
                        Label {
                            text: qsTranslate("Vexlo", block.modelData.body)
                            font: Theme.caption
                            color: Theme.secondaryText
                            wrapMode: Text.WordWrap
                            Layout.fillWidth: true
                        }
                    }
                }
                Label {
                    objectName: "aboutClosingLine"
                    text: IntroductionModel.closingLine
                    font: Theme.caption
                    color: Theme.secondaryText
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
            }
        }
    }
}
