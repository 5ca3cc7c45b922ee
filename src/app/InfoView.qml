import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// The introduction page: the product, one explanation per section (each opens its section) and
// the guides and about sheets.
Item {
    id: root
    objectName: "infoView"
    property bool isMultiStageEvent: true
    property bool showingAbout: false
    property bool showingGuides: false
    signal selectSection(string section)

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 16

        RowLayout {
            Layout.fillWidth: true
            ColumnLayout {
                spacing: 2
                Label {
                    text: qsTranslate("Vexlo", "Vexlo")
                    font: Theme.title2
                    color: Theme.primaryText
                }
                Label {
                    text: qsTranslate("Vexlo", "Orienteering race administration and SI card reader for Linux")
                    font: Theme.subheadline
                    color: Theme.secondaryText
                }
            }
            Item { Layout.fillWidth: true }
            IconButton {
                objectName: "guidesButton"
                title: "Guides"
                systemImage: "book"
                onClicked: root.showingGuides = true
            }
            IconButton {
                objectName: "aboutButton"
                title: "About"
                systemImage: "info.circle"
                onClicked: root.showingAbout = true
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.divider
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10
            Repeater {
                model: IntroductionModel.sections(root.isMultiStageEvent)
                delegate: Item {
                    id: row
                    required property var modelData
                    objectName: "infoRow_" + modelData.id
                    Layout.fillWidth: true
                    implicitHeight: rowContent.implicitHeight

                    RowLayout {
                        id: rowContent
                        anchors.left: parent.left
                        anchors.right: parent.right
                        spacing: 10
                        SymbolIcon {
                            name: row.modelData.systemImage
                            color: Theme.secondaryText
                            Layout.preferredWidth: 20
                            Layout.preferredHeight: 16
                            Layout.alignment: Qt.AlignTop
                        }
                        ColumnLayout {
                            spacing: 2
                            Layout.fillWidth: true
                            Label {
                                text: qsTranslate("Vexlo", row.modelData.title)
                                font.pixelSize: Theme.callout.pixelSize
                                font.bold: true
                                color: Theme.primaryText
                            }
                            Label {
                                text: qsTranslate("Vexlo", row.modelData.purpose)
                                font: Theme.callout
                                color: Theme.secondaryText
                                wrapMode: Text.WordWrap
                                Layout.fillWidth: true
                            }
                        }
                    }
                    MouseArea {
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: root.selectSection(row.modelData.id)
                    }
                }
            }
        }

        Item { Layout.fillHeight: true }
    }

    GuidesModalView {
        visible: root.showingGuides
        onCloseRequested: root.showingGuides = false
    }
    AboutModalView {
        visible: root.showingAbout
        onCloseRequested: root.showingAbout = false
    }
}
