import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// The Status section: who has not started, who is still out, who is back, who is DNS or DNF,
// with a DNS / DNF mark per runner. Everything shown comes from the OutstandingScreen view-model.
Item {
    id: root
    objectName: "outstandingView"
    property QtObject raceStore
    // The race-day desk: "Register..." of a kept card opens its unmatched-card sheet.
    property QtObject raceDay

    OutstandingScreen {
        id: vm
        store: root.raceStore
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            ColumnLayout {
                spacing: 2
                Label {
                    text: qsTranslate("Vexlo", "Status")
                    font: Theme.headline
                    color: Theme.primaryText
                }
                Label {
                    objectName: "outstandingCount"
                    text: vm.countText
                    font: Theme.caption
                    color: Theme.secondaryText
                }
            }
            Item { Layout.fillWidth: true }
            Label {
                visible: vm.showsStagePicker
                text: qsTranslate("Vexlo", "Stage")
                font: Theme.body
            }
            IdNamePicker {
                objectName: "outstandingStagePicker"
                visible: vm.showsStagePicker
                Accessible.name: qsTranslate("Vexlo", "Stage")
                model: vm.stageOptions
                selectedId: vm.filterStageId
                Layout.preferredWidth: 220
                onPicked: id => vm.filterStageId = id
            }
        }

        Flow {
            Layout.fillWidth: true
            spacing: 16
            Repeater {
                model: vm.groups
                CheckBox {
                    required property var modelData
                    objectName: "group_" + modelData.raw
                    text: modelData.title
                    checked: modelData.checked
                    onToggled: vm.toggleGroup(modelData.raw)
                }
            }
        }

        Label {
            objectName: "markingNotice"
            visible: vm.markingNotice !== ""
            text: vm.markingNotice
            font: Theme.caption
            color: Theme.tint("orange", 1.0)
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }

        // The cards read that no entry held, until each is given to a runner or dismissed.
        ColumnLayout {
            objectName: "unknownCardsSection"
            visible: vm.unknownCards.length > 0
            spacing: 4
            Layout.fillWidth: true
            Label {
                objectName: "unknownCardsTitle"
                text: vm.unknownCardsTitle
                font: Theme.headline
                color: Theme.tint("orange", 1.0)
            }
            ListView {
                objectName: "unknownCardsList"
                model: vm.unknownCards
                clip: true
                interactive: contentHeight > height
                boundsBehavior: Flickable.StopAtBounds
                Layout.fillWidth: true
                Layout.preferredHeight: Math.min(contentHeight, 44 * 3)
                ScrollBar.vertical: ScrollBar {}
                delegate: StripedRowBackground {
                    id: cardRow
                    required property int index
                    required property var modelData
                    objectName: "unknownCardRow_" + modelData.title
                    rowIndex: index
                    width: ListView.view.width
                    implicitHeight: 44
                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 8
                        anchors.rightMargin: 8
                        ColumnLayout {
                            spacing: 2
                            Layout.fillWidth: true
                            Label {
                                text: cardRow.modelData.title
                                font: Theme.headline
                                color: Theme.primaryText
                                elide: Text.ElideRight
                                Layout.fillWidth: true
                            }
                            Label {
                                objectName: "unknownCardDetail"
                                text: cardRow.modelData.detail
                                font: Theme.caption
                                color: Theme.secondaryText
                                elide: Text.ElideRight
                                Layout.fillWidth: true
                            }
                        }
                        Button {
                            objectName: "registerKeptCardButton"
                            text: qsTranslate("Vexlo", "Register...")
                            enabled: root.raceDay !== null
                            onClicked: root.raceDay.registerKeptCard(cardRow.modelData.id)
                        }
                        Button {
                            objectName: "dismissKeptCardButton"
                            text: qsTranslate("Vexlo", "Dismiss")
                            onClicked: vm.dismissUnknownCard(cardRow.modelData.id)
                        }
                    }
                }
            }
        }

        ListView {
            id: outstandingList
            objectName: "outstandingList"
            KeepsEndInView { view: outstandingList }
            model: vm.rows
            clip: true
            reuseItems: true
            boundsBehavior: Flickable.StopAtBounds
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar {}
            delegate: StripedRowBackground {
                id: row
                required property int index
                required property string participantId
                required property string name
                required property string detail
                required property int statusIndex
                objectName: "outstandingRow_" + name
                rowIndex: index
                width: ListView.view.width
                implicitHeight: 44
                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 8
                    anchors.rightMargin: 8
                    ColumnLayout {
                        spacing: 2
                        Layout.fillWidth: true
                        Label {
                            text: row.name
                            font: Theme.headline
                            color: Theme.primaryText
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                        Label {
                            objectName: "outstandingDetail"
                            text: row.detail
                            font: Theme.caption
                            color: Theme.secondaryText
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                    }
                    ComboBox {
                        objectName: "statusPicker"
                        Accessible.name: qsTranslate("Vexlo", "Status")
                        Layout.preferredWidth: 100
                        enabled: vm.canMark
                        model: [qsTranslate("Vexlo", "—"), qsTranslate("Vexlo", "DNS"), qsTranslate("Vexlo", "DNF")]
                        currentIndex: row.statusIndex
                        onActivated: index => vm.setStatusIndex(row.participantId, index)
                    }
                }
            }
        }
    }
}
