import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// Four step-by-step recipes, from a walk-up race to a multi-stage event with several stations.
SheetPopup {
    id: root
    signal closeRequested()
    objectName: "guidesSheet"
    width: Math.max(480, Math.min(520, parent ? parent.width - 40 : 520))
    height: Math.max(460, Math.min(560, parent ? parent.height - 40 : 560))
    // Closing by the platform's own means (Escape) clears the flag too.
    onClosed: root.closeRequested()
    onDefaultAction: root.closeRequested()

    contentItem: ColumnLayout {
        spacing: 16
        anchors.fill: parent
        anchors.margins: 20

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: qsTranslate("Vexlo", "Guides")
                font: Theme.title2
                color: Theme.primaryText
            }
            Item { Layout.fillWidth: true }
            ToolButton {
                objectName: "guidesClose"
                contentItem: CloseButtonIcon {}
                onClicked: root.closeRequested()
                PointingHandOnHover {}
            }
        }
        Label {
            text: qsTranslate("Vexlo", "A few common ways to set up and run an event, from simplest to more involved. Each section referenced below is described in more detail on the Introduction page.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        ScrollView {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical.policy: ScrollBar.AlwaysOn
            contentWidth: availableWidth

            ColumnLayout {
                width: scroller.availableWidth - 16
                spacing: 18
                Repeater {
                    model: IntroductionModel.guides
                    delegate: ColumnLayout {
                        id: guide
                        required property var modelData
                        spacing: 18
                        Layout.fillWidth: true
                        ColumnLayout {
                            spacing: 6
                            Layout.fillWidth: true
                            Label {
                                text: qsTranslate("Vexlo", guide.modelData.title)
                                font: Theme.headline
                                color: Theme.primaryText
                                wrapMode: Text.WordWrap
                                Layout.fillWidth: true
                            }
                            Label {
                                text: qsTranslate("Vexlo", guide.modelData.summary)
                                font: Theme.caption
                                color: Theme.secondaryText
                                wrapMode: Text.WordWrap
                                Layout.fillWidth: true
                            }
                            ColumnLayout {
                                spacing: 4
                                Layout.fillWidth: true
                                Repeater {
                                    model: guide.modelData.steps
                                    delegate: RowLayout {
                                        id: step
                                        required property var modelData
                                        spacing: 6
                                        Layout.fillWidth: true
                                        Label {
                                            text: qsTranslate("Vexlo", "%lld").replace("%lld", step.modelData.number) + "."
                                            font.pixelSize: Theme.callout.pixelSize
                                            font.bold: true
                                            color: Theme.primaryText
                                            Layout.preferredWidth: 20
                                            Layout.alignment: Qt.AlignTop
                                        }
                                        Label {
                                            text: qsTranslate("Vexlo", step.modelData.text)
                                            font: Theme.callout
                                            color: Theme.primaryText
                                            wrapMode: Text.WordWrap
                                            Layout.fillWidth: true
                                        }
                                    }
                                }
                            }
                        }
                        Rectangle {
                            Layout.fillWidth: true
                            Layout.preferredHeight: 1
                            color: Theme.divider
                        }
                    }
                }
            }
        }
    }
}
