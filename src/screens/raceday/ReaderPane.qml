import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// The SI Reader section: the stage card reads count for, receipt printing, the station's ports,
// the card just read and every result recorded so far. It owns no data: the view-model derives
// everything from the store, the reader and the receipt settings.
Item {
    id: root
    objectName: "readerPane"
    property QtObject raceStore
    property QtObject reader
    property QtObject contentModel
    property QtObject receiptSettings
    property RaceDayDesk raceDay
    property bool showingPrinterAdvancedSettings: false
    property bool showingDeviceHelp: false

    ReaderPaneViewModel {
        id: vm
        desk: root.raceDay
        printerName: root.receiptSettings ? root.receiptSettings.printerName : ""
        autoPrintOnRead: root.receiptSettings ? root.receiptSettings.autoPrintOnRead : false
    }

    component Divider: Rectangle {
        Layout.fillWidth: true
        Layout.preferredHeight: 1
        color: Theme.divider
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: 16
            spacing: 16

            RowLayout {
                objectName: "stageRow"
                visible: vm.showsStagePicker
                spacing: 12
                Label {
                    text: qsTranslate("Vexlo", "Current stage")
                    font: Theme.headline
                    color: Theme.primaryText
                }
                IdNamePicker {
                    objectName: "stagePicker"
                    Accessible.name: qsTranslate("Vexlo", "Stage")
                    model: vm.stageOptions
                    selectedId: vm.activeStageId
                    Layout.preferredWidth: 180
                    onPicked: id => vm.selectStage(id)
                }
            }
            Label {
                objectName: "readsGoTo"
                visible: text !== ""
                text: vm.readsGoToText
                font: Theme.callout
                color: Theme.secondaryText
            }
            Divider { visible: vm.showsStagePicker }

            RowLayout {
                spacing: 8
                Label {
                    text: qsTranslate("Vexlo", "Printer")
                    font: Theme.headline
                    color: Theme.primaryText
                }
                ToolButton {
                    id: printerButton
                    objectName: "printerMenuButton"
                    flat: true
                    Layout.preferredWidth: 24
                    contentItem: SymbolIcon {
                        name: "gearshape"
                        color: Theme.primaryText
                        implicitWidth: 16
                        implicitHeight: 16
                    }
                    // The printers are listed afresh each time: one added meanwhile is offered.
                    onClicked: {
                        vm.refreshPrinters()
                        printerMenu.popup(printerButton, 0, printerButton.height)
                    }

                    FittingMenu {
                        id: printerMenu
                        objectName: "printerMenu"
                        FittingMenu {
                            id: printerChoiceMenu
                            title: qsTranslate("Vexlo", "Receipt printer")
                            Instantiator {
                                model: vm.printerChoices
                                delegate: MenuItem {
                                    required property var modelData
                                    required property int index
                                    text: modelData.text
                                    checkable: true
                                    checked: index === vm.printerChoiceIndex
                                    onTriggered: root.receiptSettings.printerName = modelData.value
                                }
                                onObjectAdded: (index, object) => printerChoiceMenu.insertItem(index, object)
                                onObjectRemoved: (index, object) => printerChoiceMenu.removeItem(object)
                            }
                        }
                        MenuItem {
                            text: qsTranslate("Vexlo", "Auto-print (skip print dialog)")
                            checkable: true
                            checked: root.receiptSettings ? root.receiptSettings.autoPrint : false
                            onTriggered: root.receiptSettings.autoPrint = checked
                        }
                        MenuItem {
                            text: qsTranslate("Vexlo", "Auto-print on read")
                            checkable: true
                            checked: root.receiptSettings ? root.receiptSettings.autoPrintOnRead : false
                            onTriggered: root.receiptSettings.autoPrintOnRead = checked
                        }
                        MenuSeparator {}
                        MenuItem {
                            text: qsTranslate("Vexlo", "Advanced printer settings...")
                            icon.source: "qrc:/Vexlo/Ui/icons/sliders-row.svg"
                            onTriggered: root.showingPrinterAdvancedSettings = true
                        }
                    }
                }
            }
            ColumnLayout {
                spacing: 2
                Layout.leftMargin: 8
                Label {
                    objectName: "printerStatus"
                    text: vm.printerStatusText
                    font: Theme.body
                    color: Theme.primaryText
                }
            }
            Divider {}

            RowLayout {
                spacing: 8
                Label {
                    text: qsTranslate("Vexlo", "Devices")
                    font: Theme.headline
                    color: Theme.primaryText
                }
                ToolButton {
                    id: helpButton
                    objectName: "deviceHelpButton"
                    flat: true
                    Layout.preferredWidth: 24
                    contentItem: SymbolIcon {
                        name: "questionmark.circle"
                        color: Theme.primaryText
                        implicitWidth: 16
                        implicitHeight: 16
                    }
                    onClicked: root.showingDeviceHelp = true

                    Popup {
                        objectName: "deviceHelp"
                        focus: true
                        y: helpButton.height
                        width: 280 + 24
                        padding: 12
                        visible: root.showingDeviceHelp
                        onClosed: root.showingDeviceHelp = false
                        contentItem: Label {
                            text: qsTranslate("Vexlo", "Requires a SportIdent BSx7/BSx8-series station connected via its USB-UART bridge, configured (via SI-Config) for 38400 baud with \"extended protocol\" enabled — without it, SI8/9/10/11/pCard/SIAC cards are reported as (and read like) older SI6 cards, which isn't reliably supported here. Autosend or handshake mode both work. Other baud rates or older station series are not supported.")
                            font: Theme.caption
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
            IconButton {
                objectName: "refreshPortsButton"
                title: "Refresh Ports"
                systemImage: "arrow.clockwise"
                onClicked: vm.refreshPorts()
            }
            Label {
                objectName: "noPortsText"
                visible: vm.ports.count === 0
                text: qsTranslate("Vexlo", "No station found. Connect the SportIdent station by USB, then choose Refresh Ports.")
                font: Theme.caption
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            ListView {
                objectName: "portList"
                visible: vm.ports.count > 0
                model: vm.ports
                interactive: false
                Layout.fillWidth: true
                Layout.preferredHeight: vm.ports.count * 28
                delegate: Item {
                    id: portRow
                    required property string path
                    required property string displayName
                    required property bool connected
                    width: ListView.view.width
                    height: 28
                    ToolTip.visible: rowHover.hovered
                    ToolTip.text: path
                    HoverHandler { id: rowHover }

                    RowLayout {
                        anchors.fill: parent
                        spacing: 12
                        Label {
                            // Elides only in a narrow pane; the row's tooltip names the device.
                            objectName: "portName"
                            text: portRow.displayName
                            font: Theme.body
                            color: Theme.primaryText
                            elide: Text.ElideMiddle
                            Layout.fillWidth: true
                        }
                        IconTitleLabel {
                            title: portRow.connected ? "Connected" : "Disconnected"
                            systemImage: portRow.connected ? "checkmark.circle.fill" : "circle"
                            color: portRow.connected ? Theme.tint("green", 1.0) : Theme.secondaryText
                            font: Theme.caption
                        }
                        IconButton {
                            objectName: "portConnectButton"
                            title: portRow.connected ? "Disconnect" : "Connect"
                            systemImage: portRow.connected ? "cable.connector.slash" : "cable.connector"
                            ToolTip.visible: hovered
                            ToolTip.text: qsTranslate("Vexlo", portRow.connected ? "Disconnect" : "Connect")
                            onClicked: portRow.connected ? vm.disconnectPort() : vm.connectPort(portRow.path)
                        }
                    }
                }
            }
            Divider {}

            CardStatusBlock {
                objectName: "cardStatusBlock"
                desk: root.raceDay
                Layout.fillWidth: true
                Layout.leftMargin: 8
                Layout.rightMargin: 8
            }
        }
        Divider {}
        RecentResultsSection {
            model: vm.recentResults
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
        // Lines that come and go (where reads go now, a receipt that did not print, a lost
        // station) at the foot of the pane: their coming or going moves no control under the
        // pointer.
        ColumnLayout {
            objectName: "readerPaneNotices"
            visible: vm.stageChangeNotice !== "" || vm.wrongDayText !== "" || vm.printerErrorText !== ""
                || (root.raceDay !== null && root.raceDay.stationText !== "")
            Layout.fillWidth: true
            Layout.margins: 16
            spacing: 8
            Label {
                objectName: "stageChangeNotice"
                visible: text !== ""
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: vm.stageChangeNotice
                font: Theme.headline
                color: "#c93400"
            }
            // Reads go to a stage of another day while a stage is dated today: said plainly,
            // with the switch at hand.
            ColumnLayout {
                objectName: "wrongDayNotice"
                visible: vm.wrongDayText !== ""
                Layout.fillWidth: true
                spacing: 6
                Label {
                    objectName: "wrongDayText"
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    text: vm.wrongDayText
                    font: Theme.headline
                    color: "#c93400"
                }
                Button {
                    objectName: "switchToTodayButton"
                    text: vm.switchToTodayText
                    onClicked: vm.switchToToday()
                    Keys.onReturnPressed: vm.switchToToday()
                    Keys.onEnterPressed: vm.switchToToday()
                }
            }
            Label {
                objectName: "printerError"
                visible: vm.printerErrorText !== ""
                text: vm.printerErrorText
                font: Theme.caption
                color: Theme.error
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            // A lost station or a failed connect, in plain words, until the station is back. The
            // label sizes itself, its frame drawn behind it: a frame sized from a wrapped text
            // placed inside it could keep a stale height in the column once the text goes.
            Label {
                objectName: "stationProblemText"
                visible: text !== ""
                text: root.raceDay ? root.raceDay.stationText : ""
                font: Theme.body
                color: Theme.primaryText
                wrapMode: Text.WordWrap
                padding: 8
                Layout.fillWidth: true
                background: Rectangle {
                    color: root.raceDay && root.raceDay.stationLost ? Theme.tint("red", 0.15) : Theme.tint("orange", 0.15)
                    border.color: root.raceDay && root.raceDay.stationLost ? Theme.tint("red", 1.0) : Theme.tint("orange", 1.0)
                    radius: 6
                }
            }
        }
    }

    Sheet {
        id: advancedSettings
        objectName: "printerAdvancedSettingsSheet"
        visible: root.showingPrinterAdvancedSettings
        onClosed: root.showingPrinterAdvancedSettings = false
        onDefaultAction: advancedView.done()
        width: 460
        height: Math.max(320, advancedView.implicitHeight + 48)
        padding: 24
        contentItem: PrinterAdvancedSettingsView {
            id: advancedView
            bottomFeedText: root.receiptSettings ? root.receiptSettings.bottomFeedText : ""
            autoCutOptionKey: root.receiptSettings ? root.receiptSettings.autoCutOptionKey : ""
            autoCutOptionValue: root.receiptSettings ? root.receiptSettings.autoCutOptionValue : ""
            enterBottomFeed: text => root.receiptSettings ? root.receiptSettings.enterBottomFeed(text) : ""
            onAutoCutOptionKeyEdited: value => root.receiptSettings.autoCutOptionKey = value
            onAutoCutOptionValueEdited: value => root.receiptSettings.autoCutOptionValue = value
            onClose: root.showingPrinterAdvancedSettings = false
        }
    }
}
